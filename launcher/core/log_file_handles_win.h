#pragma once
// The launcher log's folder and files, opened without following links and then judged, renamed,
// emptied and deleted through those handles, never again by name: a link planted in place of any of
// them leads nowhere, and what was judged is what is worked on.
#include "log_file_rules.h"
#include "unique_handle_win.h"

#include <windows.h>

#include <functional>
#include <string>

// What the system reports of an open file or folder (`path` names it): 0, or the system's error.
using FileFactsReader =
    std::function<unsigned long(HANDLE handle, const std::wstring& path, LogFileRules::FileFacts& facts)>;
// As the system reports them. Tests pass their own: Wine shows no reparse points, and owners and
// rights only as far as permission bits can say.
unsigned long systemFileFacts(HANDLE handle, const std::wstring& path, LogFileRules::FileFacts& facts);

// A security descriptor's owner and DACL as the rules judge them; false when they cannot be read.
bool fileAccessOf(PSECURITY_DESCRIPTOR descriptor, LogFileRules::FileAccess& access);

// Every kind of sharing: readers may follow the log while it grows, rotation may move it.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// `path` itself, never what a link there leads to. `flags` may add FILE_FLAG_BACKUP_SEMANTICS, which
// opens folders too.
Win::UniqueFileHandle openUnfollowed(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                                     SECURITY_ATTRIBUTES* security = nullptr, DWORD flags = 0);

// Renames the open file (opened with DELETE) to `to`, over an existing one only when `replace`.
// 0 or the system's error.
unsigned long renameOpenFile(HANDLE file, const std::wstring& to, bool replace);

// Rotation of the open log, `log` (opened with DELETE unless `notMovable` says why not): renamed and
// emptied through its handle; its old copy deleted through a handle of its own, and only when no
// other process has it open, so that its deletion cannot wait for a reader and take it later.
class OpenLogRotationFiles : public LogFileRules::RotationFiles {
public:
    OpenLogRotationFiles(HANDLE log, unsigned long notMovable, FileFactsReader facts)
        : log_(log), notMovable_(notMovable), facts_(std::move(facts)) {}
    unsigned long replace(const std::wstring& from, const std::wstring& to) override;
    unsigned long remove(const std::wstring& path) override;
    unsigned long truncate(const std::wstring& path) override;
    unsigned long movable(const std::wstring& path) override { return notMovable_; }
    // Whether the log was renamed, so that a new one is to be made in its place.
    bool moved() const { return moved_; }

private:
    HANDLE log_;
    unsigned long notMovable_;
    FileFactsReader facts_;
    bool moved_ = false;
};
