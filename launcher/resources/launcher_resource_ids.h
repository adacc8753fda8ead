#pragma once
// Resource ids shared by the launcher's .rc files and its dialog code.

// The program's icon (Explorer shows the first icon group of an exe).
#define IDI_LAUNCHER 100

#define IDD_JRE_NOT_FOUND 201
#define IDC_JRE_PATH 201
#define IDC_BROWSE 202
#define IDC_JRE_MESSAGE 203
#define IDC_ERROR_ICON 204
#define IDC_DOWNLOAD_LINK 205
#define IDC_BROWSE_HINT 206

#define IDD_JAVA_EXCEPTION 231
#define IDC_EXCEPTION_TEXT 208
#define IDC_EXCEPTION_INTRO 210
#define IDC_EXCEPTION_CHOICE 211
#define IDC_EXCEPTION_WARNING 212

// Where control 205 points: the Java download site.
#define JAVA_DOWNLOAD_ADDRESS "https://www.java.com/download/"

// The service's description, in the reader's language: the installer registers it as
// "@<path of VaultwickService.exe>,-250", which Windows resolves through the string table.
#define IDS_SERVICE_DESCRIPTION 250
