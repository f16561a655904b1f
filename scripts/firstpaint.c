/* firstpaint: starts a program on the X display of $DISPLAY and prints, in milliseconds from
 * the moment it was started, when its first top-level window was mapped and when the program
 * first drew into it (the X server's damage report), then ends the program:
 *     firstpaint PROGRAM [ARGUMENT...]
 * prints "mapped <ms> drawn <ms>" on success; exits 1 when the program ends or nothing is drawn
 * within 30 seconds. It measures any program the same way from outside, so that the utility
 * can be compared with other programs on the same display.
 *
 * Build: cc -O2 firstpaint.c -o firstpaint -lX11 -lXdamage
 */

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <signal.h>
#include <stdio.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: firstpaint PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "firstpaint: no X display\n");
        return 2;
    }
    int damage_event = 0, damage_error = 0;
    if (!XDamageQueryExtension(display, &damage_event, &damage_error)) {
        fprintf(stderr, "firstpaint: the X server has no DAMAGE extension\n");
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const double started = now_ms();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    double mapped = -1, drawn = -1;
    Window window = 0;
    const int fd = ConnectionNumber(display);
    while (drawn < 0 && now_ms() - started < 30000) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            /* Every top-level window is watched from its creation on, so that no drawing
             * can come before the watch. */
            if (event.type == CreateNotify && event.xcreatewindow.parent == root &&
                !event.xcreatewindow.override_redirect) {
                XDamageCreate(display, event.xcreatewindow.window, XDamageReportNonEmpty);
                XFlush(display);
            } else if (event.type == MapNotify && !window && event.xmap.event == root &&
                       !event.xmap.override_redirect) {
                mapped = now_ms() - started;
                window = event.xmap.window;
            } else if (event.type == damage_event + XDamageNotify && window &&
                       ((XDamageNotifyEvent*)&event)->drawable == window && drawn < 0) {
                drawn = now_ms() - started;
            }
        }
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            fprintf(stderr, "firstpaint: %s ended before it drew a window\n", argv[1]);
            return 1;
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd, &readable);
        struct timeval wait = {0, 1000};
        select(fd + 1, &readable, NULL, NULL, &wait);
    }
    kill(child, SIGTERM);
    waitpid(child, NULL, 0);
    if (drawn < 0) {
        fprintf(stderr, "firstpaint: %s drew no window within 30 s\n", argv[1]);
        return 1;
    }
    printf("mapped %.1f drawn %.1f\n", mapped, drawn);
    return 0;
}
