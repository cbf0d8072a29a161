// The Linux desktop program: the system's entry function on GTK and JACK.
int velmaraMain();

int main() { return velmaraMain(); }
