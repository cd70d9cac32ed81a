#pragma once
// Where the one-line transcript of every shown segment goes. The line is complete, CR LF included.

#include "platform/sync.h"

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace palisor {

class TranscriptSink {
public:
    virtual ~TranscriptSink() = default;
    virtual void WriteLine(const char* line, std::size_t length) = 0;
};

// Drops every line.
class NullTranscriptSink : public TranscriptSink {
public:
    void WriteLine(const char*, std::size_t) override {}
};

// Writes every line to a C stream as it stands; the stream's own buffering keeps this cheap.
class StdioTranscriptSink : public TranscriptSink {
public:
    explicit StdioTranscriptSink(std::FILE* stream) : stream_(stream) {}
    void WriteLine(const char* line, std::size_t length) override {
        if (stream_)
            std::fwrite(line, 1, length, stream_);
    }

private:
    std::FILE* stream_;
};

// Keeps every line; safe to read from another thread while lines arrive.
class CollectingTranscriptSink : public TranscriptSink {
public:
    void WriteLine(const char* line, std::size_t length) override {
        std::lock_guard<Mutex> lock(mutex_);
        lines_.emplace_back(line, length);
    }
    std::vector<std::string> Lines() const {
        std::lock_guard<Mutex> lock(mutex_);
        return lines_;
    }

private:
    mutable Mutex mutex_;
    std::vector<std::string> lines_;
};

} // namespace palisor
