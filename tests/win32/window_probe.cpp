// window_probe CLASS TITLE: finds a top-level window by class name and title
// ("-" for either means any) and prints "ZOOMED X Y WIDTH HEIGHT": 1 when it
// is maximised, then its client area's screen position and size. Exits with
// 1 when there is no such window.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_probe CLASS TITLE\n");
        return 2;
    }
    const char* className = std::strcmp(argv[1], "-") == 0 ? nullptr : argv[1];
    const char* title = std::strcmp(argv[2], "-") == 0 ? nullptr : argv[2];
    HWND window = FindWindowA(className, title);
    if (window == nullptr) return 1;
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    std::printf("%d %ld %ld %ld %ld\n", IsZoomed(window) ? 1 : 0, origin.x, origin.y, client.right, client.bottom);
    return 0;
}
