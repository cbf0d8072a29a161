// The Linux desktop program: the system's entry function on GTK and JACK.
#include "shell/velmara_main.h"

int main() { return velmaraMain(); }
