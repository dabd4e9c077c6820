#include "platform/shell_open.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {
bool enabled = true;
std::string lastUrl;
}  // namespace

void SetUrlOpeningEnabled(bool on) { enabled = on; }
const std::string& LastOpenedUrl() { return lastUrl; }

void OpenUrl(const std::string& url) {
  lastUrl = url;
  if (!enabled) return;
  const char* opener = "/usr/bin/xdg-open";
  if (access(opener, X_OK) != 0) return;
  // Double fork so the opener is not left as our child (no zombie, no wait).
  const pid_t pid = fork();
  if (pid < 0) return;
  if (pid == 0) {
    if (fork() == 0) {
      setsid();
      char* const args[] = {const_cast<char*>(opener), const_cast<char*>(url.c_str()), nullptr};
      execve(opener, args, environ);
      _exit(127);
    }
    _exit(0);
  }
  int status;
  waitpid(pid, &status, 0);
}
