#pragma once

#include "TestCondition.h"

#include <string>
#include <string_view>
#include <vector>

// One run as the session record holds it: what tells it apart from the others and its points
// in recording order.
struct RecordedRun {
    std::string RunId;
    std::string Date;
    std::string Time;
    std::string Subject;
    std::string Ear;        // "left" or "right"
    std::string Direction;  // "up" or "down"
    int Condition = 0;      // 1-based, as in the record
    std::vector<ResultPoint> Points;
};

// The runs of a session record's text, in the order they were appended. Columns are found by
// their header name, so a record with more columns reads the same; rows that are too short or
// whose numbers do not read are left out.
std::vector<RecordedRun> ReadRecordedRuns(std::string_view text);
