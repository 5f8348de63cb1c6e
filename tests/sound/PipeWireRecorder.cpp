#include "PipeWireRecorder.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int Rate = 44100;
constexpr std::size_t BlockFrames = 2048;  // what one read waits for: 46 ms

}  // namespace

void PipeWireRecorder::UseTestServer()
{
    const char* runtime = std::getenv("QUORVEX_TEST_PIPEWIRE_RUNTIME");
    if (runtime != nullptr && *runtime != '\0') {
        setenv("PIPEWIRE_RUNTIME_DIR", runtime, 1);
        setenv("XDG_RUNTIME_DIR", runtime, 1);
    }
}

PipeWireRecorder::PipeWireRecorder(const std::string& clientName, std::size_t capacityFrames)
    : Samples(2 * capacityFrames)
{
    const char* runtime = std::getenv("QUORVEX_TEST_PIPEWIRE_RUNTIME");
    const char* sink = std::getenv("QUORVEX_TEST_PIPEWIRE_SINK");
    if (runtime == nullptr || sink == nullptr) {
        Error = "no test PipeWire server: run the tests as scripts/test.sh does, under scripts/with-test-pipewire.sh";
        return;
    }
    const std::string server = std::string("unix:") + runtime + "/pulse/native";
    const std::string monitor = std::string(sink) + ".monitor";
    const pa_sample_spec format{PA_SAMPLE_S16LE, Rate, 2};
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.fragsize = static_cast<std::uint32_t>(BlockFrames * 4);
    int error = 0;
    // A busy machine can keep a server that has just started from answering in time.
    for (int attempt = 0; attempt < 3 && Stream == nullptr; ++attempt) {
        Stream = pa_simple_new(server.c_str(), clientName.c_str(), PA_STREAM_RECORD, monitor.c_str(), "monitor",
                               &format, nullptr, &attributes, &error);
    }
    if (Stream == nullptr) {
        Error = "cannot record " + monitor + " on " + server + ": " + pa_strerror(error);
        return;
    }
    Reader = std::thread([this] { Record(); });
}

PipeWireRecorder::~PipeWireRecorder()
{
    Stopping.store(true);
    if (Reader.joinable()) {
        Reader.join();  // the monitor delivers a block every 10 ms, so the read returns soon
    }
    if (Stream != nullptr) {
        pa_simple_free(Stream);
    }
}

void PipeWireRecorder::Record()
{
    std::int16_t block[2 * BlockFrames];
    while (!Stopping.load()) {
        int error = 0;
        if (pa_simple_read(Stream, block, sizeof block, &error) < 0) {
            return;
        }
        const std::size_t at = Written.load(std::memory_order_relaxed);
        const std::size_t n = std::min(BlockFrames, Samples.size() / 2 - at);
        std::copy(block, block + 2 * n, Samples.begin() + static_cast<std::ptrdiff_t>(2 * at));
        Written.store(at + n, std::memory_order_release);
    }
}

std::vector<std::int32_t> PipeWireRecorder::Since(std::size_t mark) const
{
    const std::size_t end = Mark();
    const std::size_t from = std::min(mark, end);
    return std::vector<std::int32_t>(Samples.begin() + static_cast<std::ptrdiff_t>(2 * from),
                                     Samples.begin() + static_cast<std::ptrdiff_t>(2 * end));
}
