#pragma once
// The all-boards-completed scene (scene 7).
#include <string>
#include <vector>

// Completion: the message shown.
struct CompletionScreenState {
  std::string completionMessage;
};
extern CompletionScreenState completionScreen;

// The message's lines: split at each '\n', every '\r' dropped; a message
// ending in '\n' ends with an empty line.
std::vector<std::string> SplitMessageLines(const std::string& message);

void RunCompletedScreen();
