#pragma once
// The "Java Exception" dialog: shows an uncaught exception's text and lets the user ignore it or
// stop the application.
#include <string>

enum class ExceptionChoice { Ignore, Stop, NotShown };

// Modal, owned by the thread's active window. NotShown when the dialog cannot be created.
ExceptionChoice showJavaExceptionDialog(const std::wstring& exceptionText);

// The text as a multi-line edit control needs it: every line break as CR LF.
std::wstring withCrLf(const std::wstring& text);
