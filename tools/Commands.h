#pragma once
// Entry points of the commands. Each returns the exit status (0) or throws ToolFailure (exit 1)
// or UsageError (exit 2).

#include "CommandLine.h"

namespace kelvra::tool {

int runList(const CommandLine& line);
int runInfo(const CommandLine& line);
int runSnap(const CommandLine& line);
int runStream(const CommandLine& line);
int runRecord(const CommandLine& line);
int runCooler(const CommandLine& line);
int runTemperature(const CommandLine& line);
int runMask(const CommandLine& line);
int runReg(const CommandLine& line);
int runBench(const CommandLine& line);
int runDemo(const CommandLine& line);
int runSettings(const CommandLine& line);
int runDoctor(const CommandLine& line);
int runUdevRule(const CommandLine& line);
int runGet(const CommandLine& line);
int runSet(const CommandLine& line);

}  // namespace kelvra::tool
