#include "app/main/test_control.h"
#include "app/shell.h"

int main() {
  InstallTestControl();
  return WinMain();
}
