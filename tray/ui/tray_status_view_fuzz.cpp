// Any status model, any computer names: the tooltip always fits the 127 characters of a tip and
// the icon choice is one image or a busy/alert sequence.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tray_status_view.h"
#include "tray_test_support.h"

namespace {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    template <typename T>
    T take() {
        T v{};
        std::size_t n = size_ < sizeof v ? size_ : sizeof v;
        std::memcpy(&v, data_, n);
        data_ += n;
        size_ -= n;
        return v;
    }
    std::wstring name() {
        std::size_t length = take<std::uint16_t>() % 400;
        std::wstring s;
        for (std::size_t i = 0; i < length && size_ > 0; ++i) s.push_back(static_cast<wchar_t>(L' ' + take<std::uint8_t>() % 95));
        return s;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TrayTest::FakeStringTable strings;
    static const TrayTest::FakeNumberLocale numbers;
    Input in(data, size);
    StatusModel model;
    std::uint8_t states = in.take<std::uint8_t>();
    model.connecting = states & 1;
    model.connected = states & 2;
    model.loggedIn = states & 4;
    model.upgrading = states & 8;
    model.stats.empty = states & 16;
    model.alertCount = in.take<std::int8_t>();
    auto& s = model.stats;
    s.flags = in.take<std::int32_t>();
    s.remainingFileCount = in.take<std::int32_t>();
    s.totalFileCount = in.take<std::int32_t>();
    s.remainingBytes = in.take<std::int64_t>();
    s.totalBytes = in.take<std::int64_t>();
    s.bytesPerSecond = in.take<std::int64_t>();
    s.healthLevel = in.take<std::int8_t>();
    s.pausedUntil = in.take<std::int64_t>();
    s.lastBackupTime = in.take<std::int64_t>();
    s.nextBackupTime = in.take<std::int64_t>();
    s.backupTargetComputerId = in.take<std::int8_t>();
    s.restoringFromComputerId = in.take<std::int8_t>();
    s.receivingFromComputerId = in.take<std::int8_t>();
    for (int i = in.take<std::uint8_t>() % 4; i > 0; --i) {
        Messages::Computer c;
        c.id = in.take<std::int8_t>();
        c.name = in.name();
        model.computers.push_back(c);
    }
    std::int64_t now = in.take<std::int64_t>();

    std::wstring tip = TrayStatusView::tooltip(model, strings, numbers, now);
    if (tip.size() > TrayStatusView::kTipMaxChars) std::abort();
    std::size_t frames = TrayStatusView::images(model).size();
    if (frames < 1 || frames > 6) std::abort();
    return 0;
}
