#include "engine/shell.h"

int main() { return WinMain(); }
