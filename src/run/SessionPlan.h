#pragma once

#include "SessionProtocol.h"
#include "TestCondition.h"

#include <string>
#include <vector>

// What a session is planned with: its runs in order, the order's kind and seed, and every
// setting that shapes the curves of the conditions it uses. The session record keeps it when
// the session starts, so that a session is continued only with the plan it began with.
struct SessionPlan {
    std::string Text;         // "key=value; key=value; ...", readable and without commas
    std::string Fingerprint;  // 16 hexadecimal digits of the text's 64-bit FNV-1a hash
    std::string Seed;         // the shuffle's seed; empty for a listed order
    // The test-condition file the plan came from (not part of the fingerprint: a moved file
    // plans the same session), so that the program can offer the session again at its start.
    std::string ConditionsFile;
};

SessionPlan PlanSession(const SessionProtocol& protocol, const ExperimentSettings& settings,
                        const std::vector<TestCondition>& conditions);

// What differs between the plan a session was begun with and the plan now, one line each
// ("condition 1 ToneSPL: 30 then, 45 now").
std::vector<std::string> PlanChanges(const std::string& recorded, const std::string& current);
