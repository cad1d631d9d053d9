#pragma once
// A cursor that writes text into room made beforehand. Its place lives in
// the caller's registers while a line is built, where a member of a longer
// lived object would be reloaded after every byte stored.

#include "io/Decimal.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace artisanscope {

// Fills room made beforehand (a line claimed from an export's output, a
// label's buffer) piece by piece. A piece that does not fit is left out and
// marks the text overflowed: the callers make enough room, so this would be
// a fault of theirs, which they report.
class TextCursor {
public:
    explicit TextCursor(std::span<char> room) : room_(room) {}

    void Text(std::string_view text) {
        if (text.size() > room_.size() - at_) {
            overflowed_ = true;
            return;
        }
        text.copy(room_.subspan(at_).data(), text.size());
        at_ += text.size();
    }
    void Char(char c) {
        if (at_ == room_.size()) {
            overflowed_ = true;
            return;
        }
        room_[at_++] = c;
    }
    void Decimal(std::uint32_t value) {
        const std::size_t length = WriteDecimal(room_.subspan(at_), value);
        if (length == 0) overflowed_ = true;
        at_ += length;
    }

    std::size_t size() const { return at_; }
    bool overflowed() const { return overflowed_; }
    // What has been written.
    std::string_view view() const { return {room_.data(), at_}; }

private:
    std::span<char> room_;
    std::size_t at_ = 0;
    bool overflowed_ = false;
};

}  // namespace artisanscope
