#pragma once

#include <string>

// What the listener reads in the run window at each moment of a run or a session.

// Before a run starts: how to answer, and how to start.
std::string BeforeRunText();
// While the run plays.
std::string DuringRunText();
// Between a session's runs: run `run` of `runs` (from 1) is ready, after a rest when `rest`.
std::string ReadyText(int run, int runs, bool rest);
// The heading over the instructions while run `run` of `runs` plays.
std::string RunHeading(int run, int runs);
// While the operator looks at the run just ended.
std::string WaitText();
// The session is over.
std::string SessionOverText();
// Under the summary when a run has ended. Non-breaking spaces keep "thank you" together when
// the large font needs two lines.
std::string FinishedText();
