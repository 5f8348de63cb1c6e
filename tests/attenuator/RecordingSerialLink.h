#pragma once

#include "EventDispatcher.h"
#include "SerialLink.h"

#include <functional>
#include <string>
#include <vector>

// A serial link that records what it is asked to do, in order, and behaves like the real one:
// Open on an open link and Close on a closed one do nothing. It can be told to fail.
class RecordingSerialLink final : public SerialLink {
public:
    Result<> Open() override;
    Result<int> Write(const char* buffer, int count) override;
    void Close() override;
    bool Connected() const override { return connected_; }

    // "[" for each real opening, the bytes written, "]" for each real closing.
    const std::string& Transcript() const { return transcript_; }
    // The sizes of all Write calls.
    const std::vector<int>& WriteSizes() const { return writeSizes_; }
    int OpenCalls() const { return openCalls_; }

    void FailOpen(bool fail) { failOpen_ = fail; }
    // The nth Write from now (1-based) fails as the serial port would; the link stays open.
    void FailOnWrite(int nth) { failWriteCountdown_ = nth; }
    // The nth Write from now (1-based) transfers nothing, as on a line the device holds (CTS low).
    void HoldOnWrite(int nth) { holdWriteCountdown_ = nth; }
    // Lets other fakes note their calls in the same transcript.
    void Note(const std::string& text) { transcript_ += text; }
    void Clear();

private:
    std::string transcript_;
    std::vector<int> writeSizes_;
    int openCalls_ = 0;
    bool connected_ = false;
    bool failOpen_ = false;
    int failWriteCountdown_ = 0;
    int holdWriteCountdown_ = 0;
};

// Counts dispatches and can run a handler at each, as the toolkit would.
class RecordingDispatcher final : public EventDispatcher {
public:
    void ProcessEvents() override;

    int Calls() const { return calls_; }
    std::function<void()> OnDispatch;

private:
    int calls_ = 0;
};
