// Trace output: the installed sink and the sinks offered to hosts.
#include "hostlib/trace.h"

#include <cstring>

namespace {

std::mutex g_sink_mutex;
std::shared_ptr<quorvex::host::TraceSink> g_sink;

void Emit(std::string_view text) {
    auto sink = quorvex::host::GetTraceSink();
    if (sink) sink->Write(text);
}

}  // namespace

void TraceText(const char* text) {
    if (text != nullptr) Emit(text);
}

void TraceString(const CString& text) {
    LPCSTR data = text;
    std::size_t length = static_cast<std::size_t>(text.GetLength());
    const void* nul = std::memchr(data, '\0', length);
    if (nul != nullptr) length = static_cast<std::size_t>(static_cast<const char*>(nul) - data);
    Emit(std::string_view(data, length));
}

namespace quorvex::host {

std::shared_ptr<TraceSink> SetTraceSink(std::shared_ptr<TraceSink> sink) {
    std::lock_guard<std::mutex> lock(g_sink_mutex);
    std::swap(g_sink, sink);
    return sink;
}

std::shared_ptr<TraceSink> GetTraceSink() {
    std::lock_guard<std::mutex> lock(g_sink_mutex);
    return g_sink;
}

FileTraceSink::FileTraceSink(const std::string& path) : file_(std::fopen(path.c_str(), "ab")) {}

FileTraceSink::~FileTraceSink() {
    if (file_ != nullptr) std::fclose(file_);
}

void FileTraceSink::Write(std::string_view text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_ == nullptr) return;
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fflush(file_);
}

void StderrTraceSink::Write(std::string_view text) {
    // One fwrite per text keeps texts of several threads apart.
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void MemoryTraceSink::Write(std::string_view text) {
    std::lock_guard<std::mutex> lock(mutex_);
    writes_.emplace_back(text);
}

std::string MemoryTraceSink::Text() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string text;
    for (const auto& write : writes_) text += write;
    return text;
}

std::vector<std::string> MemoryTraceSink::Writes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return writes_;
}

void MemoryTraceSink::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    writes_.clear();
}

}  // namespace quorvex::host
