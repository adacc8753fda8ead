#pragma once
// Test fakes for the text seams: the English string table of the tray and a configurable locale.
#include <cstdint>
#include <map>
#include <string>

#include "kov_text.h"
#include "records.h"
#include "tray_resource_ids.h"

namespace TrayTest {

// The tray's English texts, as the resource file must carry them.
inline const std::map<unsigned, std::wstring>& englishTexts() {
    static const std::map<unsigned, std::wstring> texts{
        {IDS_PAUSED_FOR, L"Paused for %s"},
        {IDS_ONE_HOUR, L"1 Hour"},
        {IDS_TWO_HOURS, L"2 Hours"},
        {IDS_FOUR_HOURS, L"4 Hours"},
        {IDS_ONE_DAY, L"1 Day"},
        {IDS_TWO_DAYS, L"2 Days"},
        {IDS_SYSTEM_ERROR, L"System Error"},
        {IDS_BACKING_UP_TO, L"Backing up to %s"},
        {IDS_FILES_TO_BACKUP, L"%s (%s) files to backup"},
        {IDS_MENU_SLEEP, L"&Sleep..."},
        {IDS_RECEIVING_FROM, L"Receiving files from %s..."},
        {IDS_ERROR_OCCURRED, L"An error has occurred, the software may heal itself. If there is still an error after "
                             L"a few minutes then you may try restarting your computer."},
        {IDS_RESTORING_FROM, L"Restoring files from %s..."},
        {IDS_MENU_WAKEUP, L"&Wakeup"},
        {IDS_LAST_BACKED_UP, L"Last backed up %s ago"},
        {IDS_BACKING_UP_TO_AT_RATE, L"Backing up to %s @ %s/sec"},
        {IDS_NEXT_BACKUP_IN, L"Next backup in %s"},
        {IDS_FILES_SENT, L"%s of %s files sent (%d%%)"},
        {IDS_REMAINING, L"%s remaining"},
        {IDS_STILL_RUNNING_TEXT, L"%s will continue to work to keep your data backed up."},
        {IDS_STILL_RUNNING_TITLE, L"%s is still running"},
        {IDS_SCANNING, L"Scanning files"},
        {IDS_UNABLE_TO_CONNECT, L"Unable to connect to the backup engine"},
        {IDS_WAITING_FOR_LOGIN, L"Waiting for login"},
        {IDS_UPGRADING, L"Upgrading..."},
        {IDS_BACKUP_COMPLETE, L"Backup complete"},
        {IDS_SELECT_FILES, L"Please select files to backup"},
        {IDS_PAUSE_FAILED, L"Unable to pause backup engine, invalid dialog result."},
        {IDS_ERROR_OCCURRED_SHORT, L"An error has occurred, the software may heal itself. If it persists after a few "
                                   L"minutes, try restarting your computer."},
        {IDS_COMPUTER_ONLINE, L"%s, online"},
        {IDS_COMPUTER_OFFLINE, L"%s, offline"},
        {IDS_PORT_HELD_BY_PROGRAM,
         L"Not connected: another program holds the backup engine's port (process %d, %s)"},
        {IDS_PORT_HELD_BY_PROCESS, L"Not connected: another program holds the backup engine's port (process %d)"},
    };
    return texts;
}

// Behaves like LoadStringW: cuts to capacity - 1 and terminates.
class FakeStringTable final : public KovToolkit::StringTable {
public:
    std::map<unsigned, std::wstring> texts = englishTexts();
    mutable int reads = 0;

    std::size_t read(unsigned id, wchar_t* buffer, std::size_t capacity) const override {
        ++reads;
        auto it = texts.find(id);
        std::wstring text = it == texts.end() ? std::wstring() : it->second;
        std::size_t n = text.size() < capacity ? text.size() : capacity - 1;
        text.copy(buffer, n);
        buffer[n] = L'\0';
        return n;
    }
};

// A locale whose grouping is done here with the digits-per-group the core decided.
class FakeNumberLocale final : public KovToolkit::NumberLocale {
public:
    std::wstring grouping = L"3;0";
    std::wstring thousand = L",";
    bool fail = false;
    mutable KovToolkit::NumberFormatting lastFormat;

    std::wstring item(KovToolkit::NumberItem which) const override {
        switch (which) {
        case KovToolkit::NumberItem::Grouping: return grouping;
        case KovToolkit::NumberItem::ThousandSeparator: return thousand;
        case KovToolkit::NumberItem::DecimalSeparator: return L".";
        case KovToolkit::NumberItem::LeadingZero: return L"1";
        case KovToolkit::NumberItem::NegativeOrder: return L"1";
        }
        return L"";
    }

    bool group(const std::wstring& digits, const KovToolkit::NumberFormatting& format, std::size_t capacity,
               std::wstring& out) const override {
        lastFormat = format;
        if (fail) return false;
        out.clear();
        for (std::size_t i = 0; i < digits.size(); ++i) {
            std::size_t left = digits.size() - i;
            out.push_back(digits[i]);
            if (format.grouping > 0 && left > 1 && (left - 1) % format.grouping == 0) out += format.thousandSeparator;
        }
        return out.size() < capacity;
    }
};

// A computer record with the fields the menu reads.
inline Messages::Computer computer(std::int64_t id, const std::wstring& name, bool destination, bool self, bool online) {
    Messages::Computer c;
    c.id = id;
    c.name = name;
    c.isDestination = destination;
    c.isSelf = self;
    c.online = online;
    return c;
}

}  // namespace TrayTest
