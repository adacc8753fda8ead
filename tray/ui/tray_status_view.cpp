#include "tray_status_view.h"

#include <cmath>
#include <ctime>
#include <limits>

#include "text_format.h"
#include "tray_resource_ids.h"

namespace KovToolkit {
namespace {
class SystemClock final : public Clock {
public:
    std::int64_t nowSeconds() const override { return static_cast<std::int64_t>(std::time(nullptr)); }
};
}  // namespace

const Clock& systemClock() {
    static const SystemClock clock;
    return clock;
}

}  // namespace KovToolkit

namespace TrayStatusView {
namespace {

using Messages::BackupStats;
using Messages::Computer;

constexpr std::size_t kTextCapacity = 128;

// Truncation toward zero that saturates instead of overflowing.
std::int32_t truncateToInt32(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (v <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

std::int64_t truncateToInt64(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
    if (v <= -9.2e18) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(v);
}

// a - b, saturated: times and byte counts come from the engine and may be anything.
std::int64_t difference(std::int64_t a, std::int64_t b) {
    std::int64_t result;
    if (!__builtin_sub_overflow(a, b, &result)) return result;
    return b < 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

std::int32_t clampToInt32(std::int64_t v) {
    if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

std::wstring computerName(const StatusModel& model, std::int64_t id) {
    for (const Computer& c : model.computers) {
        if (c.id == id) return c.name;
    }
    return L"unknown";
}

class Composer {
public:
    Composer(const StatusModel& model, const KovToolkit::StringTable& strings,
             const KovToolkit::NumberLocale& numbers, std::int64_t now)
        : model_(model), stats_(model.stats), strings_(strings), numbers_(numbers), now_(now) {}

    std::wstring compose() const {
        if (!model_.connected && model_.portHolder) return portHeld(*model_.portHolder);
        if (model_.connecting || stats_.empty) return text(IDS_UNABLE_TO_CONNECT);
        if (!model_.connected) return text(IDS_ERROR_OCCURRED_SHORT);
        if (model_.upgrading) return text(IDS_UPGRADING);
        if (!model_.loggedIn) return text(IDS_WAITING_FOR_LOGIN);
        if (stats_.flags & BackupStats::Scanning) return text(IDS_SCANNING);
        if (stats_.flags & BackupStats::BackingUp) {
            return withNameFitted(computerName(model_, stats_.backupTargetComputerId),
                                  [this](const std::wstring& name) { return progress(name); });
        }
        return general();
    }

private:
    std::wstring text(unsigned id) const { return KovToolkit::loadString(strings_, id); }

    std::wstring fill(unsigned id, std::initializer_list<TextFormat::Arg> args) const {
        return TextFormat::format(text(id), args);
    }

    // Composes a tip around one computer name; when the tip is too long, the name is cut by the
    // excess so the tip still fits and the cut shows.
    template <typename Compose>
    static std::wstring withNameFitted(const std::wstring& name, Compose compose) {
        std::wstring tip = compose(name);
        if (tip.size() <= kTipMaxChars) return tip;
        std::size_t excess = tip.size() - kTipMaxChars;
        std::size_t keep = name.size() > excess ? name.size() - excess : 0;
        return compose(KovToolkit::fitVisibly(name, keep));
    }

    std::wstring portHeld(const PeerCheck::Process& holder) const {
        const long long pid = holder.pid;
        if (holder.image.empty()) return fill(IDS_PORT_HELD_BY_PROCESS, {pid});
        return withNameFitted(holder.image,
                              [this, pid](const std::wstring& image) { return fill(IDS_PORT_HELD_BY_PROGRAM, {pid, image}); });
    }

    std::wstring progress(const std::wstring& name) const {
        const bool rateShown = stats_.bytesPerSecond >= 100;
        std::wstring line1 =
            rateShown ? fill(IDS_BACKING_UP_TO_AT_RATE,
                             {name, KovToolkit::formatBytes(stats_.bytesPerSecond, kTextCapacity)})
                      : fill(IDS_BACKING_UP_TO, {name});

        std::int64_t secondsLeft =
            stats_.bytesPerSecond == 0
                ? -1
                : truncateToInt64(static_cast<double>(stats_.remainingBytes) / static_cast<double>(stats_.bytesPerSecond));
        std::wstring line2 = fill(IDS_REMAINING, {KovToolkit::formatDuration(secondsLeft, kTextCapacity)});

        std::int64_t doneBytes = difference(stats_.totalBytes, stats_.remainingBytes);
        if (doneBytes < 0) doneBytes = 0;
        std::int32_t percent = 0;
        if (stats_.totalBytes > 0) {
            percent = truncateToInt32(static_cast<double>(doneBytes) / static_cast<double>(stats_.totalBytes) * 100.0);
            if (percent < 0) percent = 0;
        }
        std::int32_t doneFiles =
            clampToInt32(static_cast<std::int64_t>(stats_.totalFileCount) - stats_.remainingFileCount);
        std::wstring line3 = fill(IDS_FILES_SENT, {KovToolkit::formatNumber(doneFiles, numbers_),
                                                   KovToolkit::formatNumber(stats_.totalFileCount, numbers_),
                                                   percent});

        if (rateShown && secondsLeft > 0) return TextFormat::format(L"%s\n%s\n%s", {line1, line2, line3});
        return TextFormat::format(L"%s\n%s", {line1, line3});
    }

    std::wstring general() const {
        std::wstring name;
        unsigned statusId = 0;
        if (!(stats_.flags & BackupStats::Enabled) && stats_.pausedUntil > 0) {
            statusId = IDS_PAUSED_FOR;
        } else if (stats_.flags & BackupStats::Restoring) {
            statusId = IDS_RESTORING_FROM;
            name = computerName(model_, stats_.restoringFromComputerId);
        } else if (stats_.flags & BackupStats::Receiving) {
            statusId = IDS_RECEIVING_FROM;
            name = computerName(model_, stats_.receivingFromComputerId);
        }
        return withNameFitted(name, [this, statusId](const std::wstring& n) { return joinGeneral(statusId, n); });
    }

    std::wstring statusLine(unsigned statusId, const std::wstring& name) const {
        if (statusId == IDS_PAUSED_FOR) {
            std::int32_t left = truncateToInt32(static_cast<double>(stats_.pausedUntil) - static_cast<double>(now_));
            return fill(IDS_PAUSED_FOR, {KovToolkit::formatDuration(left, kTextCapacity)});
        }
        return statusId == 0 ? std::wstring() : fill(statusId, {name});
    }

    std::wstring filesLine() const {
        if (stats_.totalFileCount < 1) return text(IDS_SELECT_FILES);
        if (stats_.remainingBytes > 0) {
            return fill(IDS_FILES_TO_BACKUP, {KovToolkit::formatNumber(stats_.remainingFileCount, numbers_),
                                              KovToolkit::formatBytes(stats_.remainingBytes, kTextCapacity)});
        }
        return text(IDS_BACKUP_COMPLETE);
    }

    std::wstring scheduleLine() const {
        std::int64_t untilNext = difference(stats_.nextBackupTime, now_);
        if (untilNext > 0 && stats_.pausedUntil <= 0) {
            return fill(IDS_NEXT_BACKUP_IN, {KovToolkit::formatDuration(clampToInt32(untilNext), kTextCapacity)});
        }
        std::int64_t sinceLast = difference(now_, stats_.lastBackupTime);
        if (sinceLast > 0 && static_cast<double>(sinceLast) / 86400.0 < 365) {
            return fill(IDS_LAST_BACKED_UP, {KovToolkit::formatDuration(clampToInt32(sinceLast), kTextCapacity)});
        }
        return std::wstring();
    }

    std::wstring joinGeneral(unsigned statusId, const std::wstring& name) const {
        std::wstring status = statusLine(statusId, name);
        std::wstring files = filesLine();
        std::wstring schedule = scheduleLine();
        if (!status.empty() && !schedule.empty()) return TextFormat::format(L"%s\n%s\n%s", {status, files, schedule});
        if (!status.empty()) return TextFormat::format(L"%s\n%s", {status, files});
        if (!schedule.empty()) return TextFormat::format(L"%s\n%s", {files, schedule});
        return files;
    }

    const StatusModel& model_;
    const BackupStats& stats_;
    const KovToolkit::StringTable& strings_;
    const KovToolkit::NumberLocale& numbers_;
    std::int64_t now_;
};

}  // namespace

std::wstring tooltip(const StatusModel& model, const KovToolkit::StringTable& strings,
                     const KovToolkit::NumberLocale& numbers, std::int64_t now) {
    return Composer(model, strings, numbers, now).compose();
}

std::vector<std::uint16_t> images(const StatusModel& model) {
    const BackupStats& stats = model.stats;
    const bool alerts = model.alertCount > 0;
    std::uint16_t image;
    if (model.connecting || !model.connected || stats.empty || !(stats.flags & BackupStats::Enabled) ||
        !model.loggedIn || model.upgrading) {
        image = IDI_TRAY_INACTIVE;
    } else if (stats.flags & (BackupStats::Restoring | BackupStats::BackingUp | BackupStats::Receiving)) {
        std::vector<std::uint16_t> busy{IDI_TRAY_BUSY_1, IDI_TRAY_BUSY_2, IDI_TRAY_BUSY_3, IDI_TRAY_BUSY_4,
                                        IDI_TRAY_BUSY_5};
        if (alerts) busy.push_back(IDI_TRAY_ALERT);
        return busy;
    } else if (stats.healthLevel == 2) {
        image = IDI_TRAY_GOOD;
    } else if (stats.healthLevel == 1) {
        image = IDI_TRAY_WARNING;
    } else {
        image = IDI_TRAY_ERROR;
    }
    if (alerts && image != IDI_TRAY_INACTIVE) return {image, IDI_TRAY_ALERT};
    return {image};
}

}  // namespace TrayStatusView
