// The main window on GTK 3: a window with the menu bar and a drawing area
// showing the window picture. GTK's events are gathered without waiting and
// queued as the system's messages; the pump hands on one per call. When none
// is pending it sleeps until GTK has an event or a device thread wakes the
// main thread (a MIDI message, a finished block), a tenth of a second at
// most, and no longer than the picture's next look is due.
#include "platform/gtk/window_gtk.h"

#include <gdk/gdkx.h>
#include <glib-unix.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <thread>
#include <utility>

#include "platform/cairo/surface_cairo.h"
#include "platform/gtk/icon_gtk.h"
#include "platform/gtk/menu_gtk.h"
#include "platform/gtk/present_gtk.h"
#include "platform/posix/wake_posix.h"
#include "platform/window.h"
#include "platform/windows1252.h"

namespace platform {

namespace {

constexpr std::uint32_t leftButtonHeld = 1;
constexpr int largeIconSize = 48;
constexpr std::chrono::milliseconds longestWait{100};

// A message waiting for the pump. A character typed with Alt held is an
// accelerator candidate, translated when the pump takes it.
struct PendingMessage {
    WindowMessage message;
    bool withAlt;
};

struct MainWindow {
    bool registered = false;
    MainWindowDescription description{};
    GtkWidget* window = nullptr;
    GtkWidget* area = nullptr;
    const AcceleratorTable* accelerators = nullptr;
    std::deque<PendingMessage> pending;
    // Like a Windows update region, in picture pixels: one paint, delivered
    // when no other message waits, repaints what every expose and
    // invalidation since the last one asked for, and only that.
    cairo_region_t* updateRegion = nullptr;
    cairo_region_t* paintRegion = nullptr;  // the region of the paint being handled
    bool drawn = false;
    int width = -1;
    int height = -1;
    // A device thread's wake taken by this call of the pump: the key scan
    // has not seen what it woke for, so the pump must not wait.
    bool woken = false;
};

MainWindow mainWindowState;

std::uint32_t packPoint(double x, double y)
{
    const auto low = static_cast<std::uint16_t>(static_cast<int>(x));
    const auto high = static_cast<std::uint16_t>(static_cast<int>(y));
    return low | static_cast<std::uint32_t>(high) << 16;
}

void queueMessage(MessageKind kind, std::uint32_t wParam, std::uint32_t lParam, bool withAlt = false)
{
    mainWindowState.pending.push_back({{kind, wParam, lParam}, withAlt});
}

constexpr cairo_rectangle_int_t wholePicture = {0, 0, cairo::windowSurfaceWidth, cairo::windowSurfaceHeight};

void invalidate(const cairo_rectangle_int_t& part)
{
    MainWindow& w = mainWindowState;
    if (w.updateRegion == nullptr) w.updateRegion = cairo_region_create();
    cairo_region_union_rectangle(w.updateRegion, &part);
}

// The update region as the next paint's region, or null when nothing of the
// picture needs a paint.
cairo_region_t* takeUpdateRegion()
{
    cairo_region_t* region = std::exchange(mainWindowState.updateRegion, nullptr);
    if (region == nullptr) return nullptr;
    cairo_region_intersect_rectangle(region, &wholePicture);
    if (!cairo_region_is_empty(region)) return region;
    cairo_region_destroy(region);
    return nullptr;
}

// The command of the accelerator for a character typed with Alt, or 0.
int acceleratorFor(std::uint32_t character)
{
    const AcceleratorTable* table = mainWindowState.accelerators;
    return table != nullptr ? acceleratorCommand(*table, character) : 0;
}

gboolean onDelete(GtkWidget*, GdkEvent*, gpointer)
{
    queueMessage(MessageKind::destroy, 0, 0);
    return TRUE;
}

// Typed characters of the Latin-1 range, as the system's single bytes.
gboolean onKeyPress(GtkWidget*, GdkEventKey* event, gpointer)
{
    if ((event->state & GDK_CONTROL_MASK) != 0) return FALSE;
    const gunichar typed = gdk_keyval_to_unicode(event->keyval);
    if (typed == 0 || typed > 0xFF || (typed >= 0x80 && typed < 0xA0)) return FALSE;
    const bool withAlt = (event->state & GDK_MOD1_MASK) != 0;
    // Alt with any other key is left to GTK: it opens the menus.
    if (withAlt && acceleratorFor(typed) == 0) return FALSE;
    queueMessage(MessageKind::character, typed, 0, withAlt);
    return TRUE;
}

gboolean onButton(GtkWidget* area, GdkEventButton* event, gpointer)
{
    if (event->button != 1) return FALSE;
    // A double click's second press has already come as a press.
    if (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE) return TRUE;
    const int scale = gtk_widget_get_scale_factor(area);
    const bool down = event->type == GDK_BUTTON_PRESS;
    queueMessage(down ? MessageKind::leftButtonDown : MessageKind::leftButtonUp, down ? leftButtonHeld : 0,
                 packPoint(event->x * scale, event->y * scale));
    return TRUE;
}

gboolean onDraw(GtkWidget* area, cairo_t* cr, gpointer data)
{
    mainWindowState.drawn = true;
    return gtk::drawWindowPicture(area, cr, data);
}

void onSizeAllocate(GtkWidget* area, GdkRectangle* allocation, gpointer)
{
    MainWindow& w = mainWindowState;
    if (allocation->width == w.width && allocation->height == w.height) return;
    w.width = allocation->width;
    w.height = allocation->height;
    const int scale = gtk_widget_get_scale_factor(area);
    queueMessage(MessageKind::size, 0, packPoint(w.width * scale, w.height * scale));
    invalidate(wholePicture);
}

// Where the picture's top left lies in the top-level X window, in pixels.
DevicePoint pictureOrigin()
{
    MainWindow& w = mainWindowState;
    int areaX = 0, areaY = 0, windowX = 0, windowY = 0;
    gdk_window_get_origin(gtk_widget_get_window(w.area), &areaX, &areaY);
    gdk_window_get_origin(gtk_widget_get_window(w.window), &windowX, &windowY);
    const int scale = gtk_widget_get_scale_factor(w.area);
    return {(areaX - windowX) * scale, (areaY - windowY) * scale};
}

// The X server's expose: part of the window was uncovered, and that part of
// the picture is to be repainted.
GdkFilterReturn onXEvent(GdkXEvent* xevent, GdkEvent*, gpointer)
{
    const auto* event = static_cast<const XEvent*>(xevent);
    if (event->type != Expose || mainWindowState.area == nullptr) return GDK_FILTER_CONTINUE;
    const DevicePoint origin = pictureOrigin();
    const XExposeEvent& exposed = event->xexpose;
    invalidate({exposed.x - origin.x, exposed.y - origin.y, exposed.width, exposed.height});
    return GDK_FILTER_CONTINUE;
}

void onRealize(GtkWidget* window, gpointer)
{
    if (GDK_IS_X11_DISPLAY(gtk_widget_get_display(window)))
        gdk_window_add_filter(gtk_widget_get_window(window), onXEvent, nullptr);
}

void onCommand(int command) { queueMessage(MessageKind::command, static_cast<std::uint32_t>(command), 0); }

void gatherEvents()
{
    for (int i = 0; i < 100 && gtk_events_pending(); ++i) gtk_main_iteration_do(FALSE);
}

gboolean onWake(gint, GIOCondition, gpointer)
{
    posix::clearMainThreadWake();
    mainWindowState.woken = true;
    return G_SOURCE_CONTINUE;
}

// Sleeps until a GTK event source is ready (the wake among them) or the
// time is up, and dispatches what is ready.
void waitForEvents(std::chrono::milliseconds longest)
{
    GSource* timeout = g_timeout_source_new(static_cast<guint>(longest.count()));
    g_source_set_callback(
        timeout, +[](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr, nullptr);
    g_source_attach(timeout, nullptr);
    g_main_context_iteration(nullptr, TRUE);
    g_source_destroy(timeout);
    g_source_unref(timeout);
}

void dispatch(const WindowMessage& message)
{
    if (message.kind == MessageKind::destroy) {
        destroyMainWindow();
        return;
    }
    mainWindowState.description.procedure(message);
}

void fitToScreen(GtkWindow* window)
{
    GdkMonitor* monitor = gdk_display_get_primary_monitor(gdk_display_get_default());
    if (monitor == nullptr) monitor = gdk_display_get_monitor(gdk_display_get_default(), 0);
    if (monitor == nullptr) return;
    GdkRectangle area;
    gdk_monitor_get_workarea(monitor, &area);
    gtk_window_set_default_size(window, area.width, area.height);
}

GtkWidget* createDrawingArea()
{
    GtkWidget* area = gtk_drawing_area_new();
    gtk_widget_add_events(area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
    gtk_widget_set_hexpand(area, TRUE);
    gtk_widget_set_vexpand(area, TRUE);
    g_signal_connect(area, "draw", G_CALLBACK(onDraw), nullptr);
    g_signal_connect(area, "size-allocate", G_CALLBACK(onSizeAllocate), nullptr);
    g_signal_connect(area, "button-press-event", G_CALLBACK(onButton), nullptr);
    g_signal_connect(area, "button-release-event", G_CALLBACK(onButton), nullptr);
    return area;
}

}  // namespace

namespace gtk {

bool startGtk()
{
    static const bool started = [] {
        const bool ok = gtk_init_check(nullptr, nullptr);
        if (!ok) std::fputs("velmara: cannot open the display\n", stderr);
        return ok;
    }();
    return started;
}

GtkWindow* mainWindow() { return mainWindowState.window != nullptr ? GTK_WINDOW(mainWindowState.window) : nullptr; }

}  // namespace gtk

bool registerMainWindowClass(const MainWindowDescription& description)
{
    mainWindowState.description = description;
    mainWindowState.registered = gtk::startGtk();
    return mainWindowState.registered;
}

bool createMainWindow()
{
    MainWindow& w = mainWindowState;
    if (!w.registered) return false;
    w.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* window = GTK_WINDOW(w.window);
    gtk_window_set_title(window, textToUtf8(w.description.title).c_str());
    GdkPixbuf* icon = gtk::programIcon(largeIconSize);
    gtk_window_set_icon(window, icon);
    g_object_unref(icon);
    fitToScreen(window);
    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    if (w.description.menu != nullptr)
        gtk_box_pack_start(GTK_BOX(column), gtk::buildMenuBar(*w.description.menu, onCommand), FALSE, FALSE, 0);
    w.area = createDrawingArea();
    gtk_box_pack_start(GTK_BOX(column), w.area, TRUE, TRUE, 0);
    gtk_container_add(GTK_CONTAINER(window), column);
    g_signal_connect(window, "delete-event", G_CALLBACK(onDelete), nullptr);
    g_signal_connect(window, "key-press-event", G_CALLBACK(onKeyPress), nullptr);
    g_signal_connect(window, "realize", G_CALLBACK(onRealize), nullptr);
    g_unix_fd_add(posix::mainThreadWakeDescriptor(), G_IO_IN, onWake, nullptr);
    return true;
}

void showMainWindowMaximized()
{
    MainWindow& w = mainWindowState;
    if (w.window == nullptr) return;
    gtk_window_maximize(GTK_WINDOW(w.window));
    gtk_widget_show_all(w.window);
    // Let the window appear first, so that its first paint is this one.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!w.drawn && std::chrono::steady_clock::now() < deadline) {
        if (gtk_events_pending()) gtk_main_iteration_do(FALSE);
        else std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    cairo_region_destroy(std::exchange(w.updateRegion, nullptr));
    w.description.procedure({MessageKind::paint, 0, 0});
}

void loadAccelerators(const AcceleratorTable& table) { mainWindowState.accelerators = &table; }

bool pumpMessage()
{
    MainWindow& w = mainWindowState;
    w.woken = false;
    gatherEvents();
    const std::chrono::milliseconds lookAgain = w.area != nullptr ? gtk::presentChanges(w.area) : longestWait;
    PendingMessage next{};
    if (!w.pending.empty()) {
        next = w.pending.front();
        w.pending.pop_front();
    } else {
        w.paintRegion = takeUpdateRegion();
        if (w.paintRegion == nullptr) {
            if (!w.woken) waitForEvents(std::min(lookAgain, longestWait));
            return false;
        }
        next = {{MessageKind::paint, 0, 0}, false};
    }
    const int command = next.withAlt ? acceleratorFor(next.message.wParam) : 0;
    if (command != 0) next.message = {MessageKind::command, static_cast<std::uint32_t>(command), 0};
    dispatch(next.message);
    if (w.paintRegion != nullptr) {
        cairo::endSurfacePaint();
        cairo_region_destroy(std::exchange(w.paintRegion, nullptr));
    }
    return true;
}

// Erases and clips to the paint's region; the first paint, which
// showMainWindowMaximized delivers, repaints the whole picture.
DrawingContext* beginPaint() { return cairo::beginSurfacePaint(cairo::windowBackground, mainWindowState.paintRegion); }

void invalidateMainWindow() { invalidate(wholePicture); }

// As on Windows, the destroy message reaches the procedure before this
// returns.
void destroyMainWindow()
{
    MainWindow& w = mainWindowState;
    GtkWidget* window = w.window;
    if (window == nullptr) return;
    w.window = nullptr;
    w.area = nullptr;
    w.description.procedure({MessageKind::destroy, 0, 0});
    gtk_widget_destroy(window);
}

}  // namespace platform
