#include "ListenerTexts.h"

std::string BeforeRunText()
{
    return "When you hear the tone - press the space bar\n\n"
           "When you can't hear the tone - let go of the space bar\n\n"
           "Press any other key to stop test\n\n"
           "When you are ready to start press the space bar once.";
}

std::string DuringRunText()
{
    return "Hold the space bar down while you hear the tone.\n\n"
           "Let go of it when you can't hear the tone.\n\n"
           "Any other key stops the test.";
}

std::string RunHeading(int run, int runs)
{
    return "Run " + std::to_string(run) + " of " + std::to_string(runs);
}

std::string ReadyText(int run, int runs, bool rest)
{
    const std::string heading = rest ? "Time for a rest. " + RunHeading(run, runs) + " is ready when you are."
                                     : RunHeading(run, runs) + " is ready.";
    return heading + "\n\n" + BeforeRunText();
}

std::string WaitText()
{
    return "Please wait for the operator.";
}

std::string SessionOverText()
{
    return "The session is over. Thank you!\n\n" + WaitText();
}

std::string FinishedText()
{
    return "Finished\u00A0\u2014 thank\u00A0you";
}
