#pragma once
// The program's globals: one of each for the whole run, none kept between runs.
#include <cstdint>
#include <string>

namespace kestrion::Module1 {

extern std::string UpdateSiteString;  // decoded site name of the entry on display
extern std::string GatemarkSQ;        // the lock's security question, plain
extern std::string GatemarkPW;        // the lock password, plain
extern std::string GatemarkSA;        // the lock's security answer, plain
extern int32_t ClearClipBoard;        // 1 once an export put the entries on the clipboard
extern bool GatemarkRESET;            // a right security answer: remove the lock at next activation
extern bool NoPlay;                   // a new How To Use window plays no music, shows no message
extern bool GatemarkCreate;           // the next lock-row write is wanted
extern int32_t counter;               // matches of a find; failed tries of the unlock prompt

// Start values, at the start of every run.
void Initialize();
// Releases the strings at the end of the run.
void Finalize();

}  // namespace kestrion::Module1
