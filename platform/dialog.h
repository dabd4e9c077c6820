// Message boxes. In a headless run, or when a test has scripted an answer, a box never blocks: it
// logs its caption and text to stderr and returns the scripted answer, or NotShown.
#pragma once

#include <string>
#include <vector>

enum class DialogIcon { Information, Exclamation, Stop };
enum class DialogButtons { Ok, YesNo };
// NotShown: nobody saw the box (headless, or the window system could not show it) and nothing was
// answered; its caption and text went to stderr instead. A caller must not read it as a choice.
enum class DialogAnswer { Ok, Yes, No, NotShown };

DialogAnswer ShowMessageBox(const std::string& text, const std::string& caption, DialogButtons buttons,
                            DialogIcon icon);

struct DialogRecord {
  std::string caption;
  std::string text;
};

// Test and headless controls.
void SetDialogHeadless(bool headless);
// Queues the answer of the next Yes/No box (scripted answers are taken in order).
void ScriptDialogAnswer(DialogAnswer answer);
// Every box shown so far, in order.
const std::vector<DialogRecord>& DialogHistory();
void ClearDialogHistory();
