#include "engine/main/test_control.h"
#include "engine/shell.h"

int main() {
  InstallTestControl();
  return WinMain();
}
