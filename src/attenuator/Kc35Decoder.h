#pragma once

#include <string>
#include <vector>

// Reads the byte stream a KC35 receives and describes each command in one line, e.g.
// "channel 1 (I): attenuation 20 dB = level 100 dB SPL", "set-up group 1: L02L40M80",
// "routing: right ear (L02N02)". A byte that cannot start or continue any command is flagged
// and decoding resumes at the byte after it.
class Kc35Decoder {
public:
    // Takes one received byte; returns the lines of the commands it completed or broke.
    std::vector<std::string> Feed(char byte);
    // Ends the stream (or a pause): bytes of an unfinished command are flagged.
    std::vector<std::string> Flush();
    bool Pending() const { return !pending_.empty(); }

private:
    enum class Match { None, Prefix, Complete };
    static Match Classify(const std::string& bytes);
    static std::string Describe(const std::string& command);
    void Resolve(std::vector<std::string>& lines);

    std::string pending_;
};

// How a byte is shown in a flag line: printable ASCII in quotes, everything with its hex code.
std::string DescribeByte(char byte);
