// An in-memory stream that records every call, for tests of the commands
// that work on any stream.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/handle.h"
#include "files/stream.h"

namespace korva {

// Reads come from a fixed text (each read's delivered count is recorded);
// writes are collected. eof is 1 once the text
// is used up unless a test sets it.
class MemoryStream final : public qyStream {
public:
    explicit MemoryStream(std::string data = {}) : data_(std::move(data)) {}

    int32_t read(void* buffer, int32_t count) override {
        const auto got = static_cast<int32_t>(std::min<size_t>(std::max(count, 0), data_.size() - position_));
        reads.push_back(got);
        std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(got));
        position_ += static_cast<size_t>(got);
        return got;
    }
    int32_t write(const void* buffer, int32_t count) override {
        written.append(static_cast<const char*>(buffer), static_cast<size_t>(count));
        return count;
    }
    int32_t avail() override { return static_cast<int32_t>(data_.size() - position_); }
    int32_t eof() override { return forcedEof != 0 ? forcedEof : position_ == data_.size() ? 1 : 0; }

    int32_t handle() const { return handleOf(this); }

    std::vector<int32_t> reads;
    std::string written;
    int32_t forcedEof = 0;

private:
    std::string data_;
    size_t position_ = 0;
};

}  // namespace korva
