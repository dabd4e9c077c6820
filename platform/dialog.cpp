#include "platform/dialog.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <deque>

namespace {
bool forcedHeadless = false;
std::deque<DialogAnswer> scripted;
std::vector<DialogRecord> history;

bool Headless() {
  if (forcedHeadless) return true;
  // Without a video system there is nobody to answer.
  return SDL_WasInit(SDL_INIT_VIDEO) == 0;
}
}  // namespace

void SetDialogHeadless(bool headless) { forcedHeadless = headless; }
void ScriptDialogAnswer(DialogAnswer answer) { scripted.push_back(answer); }
const std::vector<DialogRecord>& DialogHistory() { return history; }
void ClearDialogHistory() {
  history.clear();
  scripted.clear();
}

DialogAnswer ShowMessageBox(const std::string& text, const std::string& caption, DialogButtons buttons,
                            DialogIcon icon) {
  history.push_back(DialogRecord{caption, text});
  const DialogAnswer fallback = buttons == DialogButtons::YesNo ? DialogAnswer::No : DialogAnswer::Ok;
  if (!scripted.empty() || Headless()) {
    DialogAnswer a = DialogAnswer::NotShown;
    if (!scripted.empty()) {
      a = scripted.front();
      scripted.pop_front();
    }
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    return a;
  }
  Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
  if (icon == DialogIcon::Exclamation) flags = SDL_MESSAGEBOX_WARNING;
  if (icon == DialogIcon::Stop) flags = SDL_MESSAGEBOX_ERROR;
  SDL_MessageBoxButtonData okButtons[] = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "OK"}};
  SDL_MessageBoxButtonData yesNo[] = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 2, "Yes"},
                                      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 3, "No"}};
  SDL_MessageBoxData data{};
  data.flags = flags;
  data.title = caption.c_str();
  data.message = text.c_str();
  if (buttons == DialogButtons::YesNo) {
    data.numbuttons = 2;
    data.buttons = yesNo;
  } else {
    data.numbuttons = 1;
    data.buttons = okButtons;
  }
  int hit = -1;
  if (SDL_ShowMessageBox(&data, &hit) != 0) {
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    return DialogAnswer::NotShown;
  }
  if (hit == 2) return DialogAnswer::Yes;
  if (hit == 3) return DialogAnswer::No;
  return fallback;
}
