// The one place that knows which SDL the game is built with. The game is written
// against SDL3; where only SDL2 is installed, the few SDL3 calls it uses are mapped
// here onto their SDL2 counterparts. Include this instead of any SDL header.
#pragma once

#include <cstdint>
#include <string>

#if defined(BRAMBIX_SDL2)

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>

namespace brambix_sdl2 {

inline bool init(Uint32 flags) { return SDL_Init(flags) == 0; }
inline bool ttfInit() { return TTF_Init() == 0; }
inline bool setRenderDrawBlendMode(SDL_Renderer* r, SDL_BlendMode mode) { return SDL_SetRenderDrawBlendMode(r, mode) == 0; }
inline bool setRenderDrawColor(SDL_Renderer* r, Uint8 red, Uint8 green, Uint8 blue, Uint8 alpha)
{
    return SDL_SetRenderDrawColor(r, red, green, blue, alpha) == 0;
}
inline bool renderClear(SDL_Renderer* r) { return SDL_RenderClear(r) == 0; }
inline bool renderPresent(SDL_Renderer* r)
{
    SDL_RenderPresent(r);
    return true;
}
inline bool renderFillRect(SDL_Renderer* r, const SDL_FRect* rect) { return SDL_RenderFillRectF(r, rect) == 0; }
inline bool setTextureScaleMode(SDL_Texture* tex, SDL_ScaleMode mode) { return SDL_SetTextureScaleMode(tex, mode) == 0; }
inline TTF_Font* openFont(const char* path, float ptsize) { return TTF_OpenFont(path, static_cast<int>(ptsize)); }
inline SDL_Window* createWindow(const char* title, int w, int h, Uint32 flags)
{
    return SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, w, h, flags);
}

inline SDL_Rect toIntRect(const SDL_FRect& r)
{
    return {static_cast<int>(r.x), static_cast<int>(r.y), static_cast<int>(r.w), static_cast<int>(r.h)};
}

// SDL3 picks a renderer by name (null: SDL chooses); SDL2 by driver index.
inline SDL_Renderer* createRenderer(SDL_Window* window, const char* name)
{
    int index = -1;
    if (name != nullptr) {
        for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
            SDL_RendererInfo info;
            if (SDL_GetRenderDriverInfo(i, &info) == 0 && std::string(info.name) == name) {
                index = i;
            }
        }
        if (index < 0) {
            SDL_SetError("Couldn't find render driver named %s", name);
            return nullptr;
        }
    }
    return SDL_CreateRenderer(window, index, 0);
}

inline bool renderTexture(SDL_Renderer* r, SDL_Texture* tex, const SDL_FRect* src, const SDL_FRect* dst)
{
    SDL_Rect s{};
    if (src != nullptr) {
        s = toIntRect(*src);
    }
    return SDL_RenderCopyF(r, tex, src ? &s : nullptr, dst) == 0;
}

inline bool renderTextureRotated(SDL_Renderer* r, SDL_Texture* tex, const SDL_FRect* src, const SDL_FRect* dst,
                                 double angle, const SDL_FPoint* centre, SDL_RendererFlip flip)
{
    SDL_Rect s{};
    if (src != nullptr) {
        s = toIntRect(*src);
    }
    return SDL_RenderCopyExF(r, tex, src ? &s : nullptr, dst, angle, centre, flip) == 0;
}

inline Uint32 getMouseState(float* x, float* y)
{
    int ix = 0;
    int iy = 0;
    Uint32 buttons = SDL_GetMouseState(&ix, &iy);
    if (x != nullptr) {
        *x = static_cast<float>(ix);
    }
    if (y != nullptr) {
        *y = static_cast<float>(iy);
    }
    return buttons;
}

// SDL3 takes UTF-8 with a byte length (0: up to the terminator). SDL2's function of the
// same name takes Latin-1, so this goes to its UTF-8 one.
inline SDL_Surface* renderTextBlended(TTF_Font* font, const char* text, size_t length, SDL_Color colour)
{
    if (length == 0) {
        return TTF_RenderUTF8_Blended(font, text, colour);
    }
    std::string part(text, length);
    return TTF_RenderUTF8_Blended(font, part.c_str(), colour);
}

}  // namespace brambix_sdl2

// SDL2 answers 0 for success where SDL3 answers true, and some calls take other
// argument types; the functions above keep SDL3's meaning under SDL3's names.
#define SDL_Init(flags) brambix_sdl2::init(flags)
#define TTF_Init() brambix_sdl2::ttfInit()
#define SDL_SetRenderDrawBlendMode(r, mode) brambix_sdl2::setRenderDrawBlendMode((r), (mode))
#define SDL_SetRenderDrawColor(r, red, green, blue, alpha) \
    brambix_sdl2::setRenderDrawColor((r), (red), (green), (blue), (alpha))
#define SDL_RenderClear(r) brambix_sdl2::renderClear(r)
#define SDL_RenderPresent(r) brambix_sdl2::renderPresent(r)
#define SDL_RenderFillRect(r, rect) brambix_sdl2::renderFillRect((r), (rect))
#define SDL_SetTextureScaleMode(tex, mode) brambix_sdl2::setTextureScaleMode((tex), (mode))
#define SDL_GetTicks() SDL_GetTicks64()
#define TTF_OpenFont(path, ptsize) brambix_sdl2::openFont((path), (ptsize))
#define SDL_CreateWindow(title, w, h, flags) brambix_sdl2::createWindow((title), (w), (h), (flags))
#define SDL_CreateRenderer(window, name) brambix_sdl2::createRenderer((window), (name))
#define SDL_RenderTexture(r, tex, src, dst) brambix_sdl2::renderTexture((r), (tex), (src), (dst))
#define SDL_RenderTextureRotated(r, tex, src, dst, angle, centre, flip) \
    brambix_sdl2::renderTextureRotated((r), (tex), (src), (dst), (angle), (centre), (flip))
#define SDL_GetMouseState(x, y) brambix_sdl2::getMouseState((x), (y))
#define TTF_RenderText_Blended(font, text, length, colour) \
    brambix_sdl2::renderTextBlended((font), (text), (length), (colour))
#define SDL_DestroySurface(s) SDL_FreeSurface(s)

// Data read from memory: SDL2 calls the stream an RWops and takes an int for a flag.
typedef SDL_RWops SDL_IOStream;
#define SDL_IOFromConstMem(mem, size) SDL_RWFromConstMem((mem), static_cast<int>(size))
#define IMG_Load_IO(io, closeio) IMG_Load_RW((io), (closeio) ? 1 : 0)
#define TTF_OpenFontIO(io, closeio, ptsize) TTF_OpenFontRW((io), (closeio) ? 1 : 0, static_cast<int>(ptsize))

#define SDL_EVENT_QUIT SDL_QUIT
#define SDL_EVENT_KEY_DOWN SDL_KEYDOWN
#define SDL_EVENT_MOUSE_MOTION SDL_MOUSEMOTION
#define SDL_EVENT_MOUSE_BUTTON_DOWN SDL_MOUSEBUTTONDOWN
#define SDL_EVENT_MOUSE_BUTTON_UP SDL_MOUSEBUTTONUP
#define SDL_SCALEMODE_NEAREST SDL_ScaleModeNearest

// The resizable window: the picture letterboxed into it, its pixel density, the pointer.
namespace brambix_sdl2 {
enum LogicalPresentation {
    LOGICAL_PRESENTATION_DISABLED,
    LOGICAL_PRESENTATION_LETTERBOX,
    LOGICAL_PRESENTATION_INTEGER_SCALE
};

// SDL2 keeps whole-number scaling as a switch beside the logical size.
inline bool setLogicalPresentation(SDL_Renderer* r, int w, int h, LogicalPresentation mode)
{
    const SDL_bool whole = mode == LOGICAL_PRESENTATION_INTEGER_SCALE ? SDL_TRUE : SDL_FALSE;
    if (mode == LOGICAL_PRESENTATION_DISABLED) {
        return SDL_RenderSetLogicalSize(r, 0, 0) == 0 && SDL_RenderSetIntegerScale(r, whole) == 0;
    }
    return SDL_RenderSetIntegerScale(r, whole) == 0 && SDL_RenderSetLogicalSize(r, w, h) == 0;
}

inline bool getLogicalPresentation(SDL_Renderer* r, int* w, int* h, LogicalPresentation* mode)
{
    SDL_RenderGetLogicalSize(r, w, h);
    const LogicalPresentation shown =
        SDL_RenderGetIntegerScale(r) ? LOGICAL_PRESENTATION_INTEGER_SCALE : LOGICAL_PRESENTATION_LETTERBOX;
    *mode = *w > 0 ? shown : LOGICAL_PRESENTATION_DISABLED;
    return true;
}

inline bool getRenderOutputSize(SDL_Renderer* r, int* w, int* h) { return SDL_GetRendererOutputSize(r, w, h) == 0; }
inline bool setRenderTarget(SDL_Renderer* r, SDL_Texture* tex) { return SDL_SetRenderTarget(r, tex) == 0; }
inline bool setTextureBlendMode(SDL_Texture* tex, SDL_BlendMode mode)
{
    return SDL_SetTextureBlendMode(tex, mode) == 0;
}
}  // namespace brambix_sdl2

#define SDL_LOGICAL_PRESENTATION_DISABLED brambix_sdl2::LOGICAL_PRESENTATION_DISABLED
#define SDL_LOGICAL_PRESENTATION_LETTERBOX brambix_sdl2::LOGICAL_PRESENTATION_LETTERBOX
#define SDL_LOGICAL_PRESENTATION_INTEGER_SCALE brambix_sdl2::LOGICAL_PRESENTATION_INTEGER_SCALE
typedef brambix_sdl2::LogicalPresentation SDL_RendererLogicalPresentation;
#define SDL_SetRenderLogicalPresentation(r, w, h, mode) brambix_sdl2::setLogicalPresentation((r), (w), (h), (mode))
#define SDL_GetRenderLogicalPresentation(r, w, h, mode) brambix_sdl2::getLogicalPresentation((r), (w), (h), (mode))
#define SDL_WINDOW_HIGH_PIXEL_DENSITY SDL_WINDOW_ALLOW_HIGHDPI
#define SDL_GetRenderOutputSize(r, w, h) brambix_sdl2::getRenderOutputSize((r), (w), (h))
#define SDL_SetRenderTarget(r, tex) brambix_sdl2::setRenderTarget((r), (tex))
#define SDL_SetTextureBlendMode(tex, mode) brambix_sdl2::setTextureBlendMode((tex), (mode))
#define SDL_KMOD_ALT KMOD_ALT


// Pads: SDL3's gamepads are SDL2's game controllers, with the same buttons by position
// (SDL2's A, B, X and Y are South, East, West and North).
namespace brambix_sdl2 {
inline bool initSubSystem(Uint32 flags) { return SDL_InitSubSystem(flags) == 0; }
inline bool gamepadButton(SDL_GameController* pad, SDL_GameControllerButton b)
{
    return SDL_GameControllerGetButton(pad, b) != 0;
}
inline SDL_JoystickID gamepadId(SDL_GameController* pad)
{
    return SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
}
}  // namespace brambix_sdl2

// SDL2 names no button labels: they follow from the pad's type.
enum SDL_GamepadButtonLabel {
    SDL_GAMEPAD_BUTTON_LABEL_UNKNOWN,
    SDL_GAMEPAD_BUTTON_LABEL_A, SDL_GAMEPAD_BUTTON_LABEL_B, SDL_GAMEPAD_BUTTON_LABEL_X, SDL_GAMEPAD_BUTTON_LABEL_Y,
    SDL_GAMEPAD_BUTTON_LABEL_CROSS, SDL_GAMEPAD_BUTTON_LABEL_CIRCLE, SDL_GAMEPAD_BUTTON_LABEL_SQUARE,
    SDL_GAMEPAD_BUTTON_LABEL_TRIANGLE
};
namespace brambix_sdl2 {
inline SDL_GamepadButtonLabel gamepadButtonLabel(SDL_GameController* pad, SDL_GameControllerButton b)
{
    // South, East, West and North on Xbox, Nintendo and PlayStation pads.
    static constexpr int LABELS[3][4] = {{1, 2, 3, 4}, {2, 1, 4, 3}, {5, 6, 7, 8}};
    int kind = 0;
    switch (SDL_GameControllerGetType(pad)) {
    case SDL_CONTROLLER_TYPE_NINTENDO_SWITCH_PRO:
    case SDL_CONTROLLER_TYPE_NINTENDO_SWITCH_JOYCON_LEFT:
    case SDL_CONTROLLER_TYPE_NINTENDO_SWITCH_JOYCON_RIGHT:
    case SDL_CONTROLLER_TYPE_NINTENDO_SWITCH_JOYCON_PAIR:
        kind = 1;
        break;
    case SDL_CONTROLLER_TYPE_PS3:
    case SDL_CONTROLLER_TYPE_PS4:
    case SDL_CONTROLLER_TYPE_PS5:
        kind = 2;
        break;
    default:
        break;
    }
    const bool faced = b >= SDL_CONTROLLER_BUTTON_A && b <= SDL_CONTROLLER_BUTTON_Y;
    return static_cast<SDL_GamepadButtonLabel>(faced ? LABELS[kind][b] : 0);
}
}  // namespace brambix_sdl2
#define SDL_GetGamepadButtonLabel(pad, b) brambix_sdl2::gamepadButtonLabel((pad), (b))

typedef SDL_GameController SDL_Gamepad;
typedef SDL_GameControllerButton SDL_GamepadButton;
typedef SDL_GameControllerAxis SDL_GamepadAxis;
#define SDL_INIT_GAMEPAD SDL_INIT_GAMECONTROLLER
#define SDL_InitSubSystem(flags) brambix_sdl2::initSubSystem(flags)
#define SDL_CloseGamepad(pad) SDL_GameControllerClose(pad)
#define SDL_GetGamepadAxis(pad, axis) SDL_GameControllerGetAxis((pad), (axis))
#define SDL_GetGamepadButton(pad, b) brambix_sdl2::gamepadButton((pad), (b))
#define SDL_GetGamepadID(pad) brambix_sdl2::gamepadId(pad)
#define SDL_EVENT_GAMEPAD_ADDED SDL_CONTROLLERDEVICEADDED
#define SDL_EVENT_GAMEPAD_REMOVED SDL_CONTROLLERDEVICEREMOVED
#define SDL_EVENT_GAMEPAD_BUTTON_DOWN SDL_CONTROLLERBUTTONDOWN
#define SDL_GAMEPAD_AXIS_LEFTX SDL_CONTROLLER_AXIS_LEFTX
#define SDL_GAMEPAD_AXIS_LEFTY SDL_CONTROLLER_AXIS_LEFTY
#define SDL_GAMEPAD_AXIS_RIGHTX SDL_CONTROLLER_AXIS_RIGHTX
#define SDL_GAMEPAD_AXIS_RIGHTY SDL_CONTROLLER_AXIS_RIGHTY
#define SDL_GAMEPAD_AXIS_COUNT SDL_CONTROLLER_AXIS_MAX
#define SDL_GAMEPAD_BUTTON_SOUTH SDL_CONTROLLER_BUTTON_A
#define SDL_GAMEPAD_BUTTON_EAST SDL_CONTROLLER_BUTTON_B
#define SDL_GAMEPAD_BUTTON_WEST SDL_CONTROLLER_BUTTON_X
#define SDL_GAMEPAD_BUTTON_NORTH SDL_CONTROLLER_BUTTON_Y
#define SDL_GAMEPAD_BUTTON_LEFT_SHOULDER SDL_CONTROLLER_BUTTON_LEFTSHOULDER
#define SDL_GAMEPAD_BUTTON_RIGHT_SHOULDER SDL_CONTROLLER_BUTTON_RIGHTSHOULDER
#define SDL_GAMEPAD_BUTTON_DPAD_UP SDL_CONTROLLER_BUTTON_DPAD_UP
#define SDL_GAMEPAD_BUTTON_DPAD_DOWN SDL_CONTROLLER_BUTTON_DPAD_DOWN
#define SDL_GAMEPAD_BUTTON_DPAD_LEFT SDL_CONTROLLER_BUTTON_DPAD_LEFT
#define SDL_GAMEPAD_BUTTON_DPAD_RIGHT SDL_CONTROLLER_BUTTON_DPAD_RIGHT
#define SDL_GAMEPAD_BUTTON_BACK SDL_CONTROLLER_BUTTON_BACK
#define SDL_GAMEPAD_BUTTON_START SDL_CONTROLLER_BUTTON_START
#define SDL_GAMEPAD_BUTTON_LEFT_STICK SDL_CONTROLLER_BUTTON_LEFTSTICK
#define SDL_GAMEPAD_BUTTON_RIGHT_STICK SDL_CONTROLLER_BUTTON_RIGHTSTICK
#define SDL_GAMEPAD_BUTTON_COUNT SDL_CONTROLLER_BUTTON_MAX

#define SDL_EVENT_FINGER_DOWN SDL_FINGERDOWN
#define SDL_EVENT_FINGER_MOTION SDL_FINGERMOTION
#define SDL_EVENT_FINGER_UP SDL_FINGERUP
#define SDL_EVENT_MOUSE_WHEEL SDL_MOUSEWHEEL


#else

#include <SDL3/SDL.h>
#include <SDL3_image/SDL_image.h>
// A build that draws its counts from built-in glyphs has no font library.
#if !defined(BRAMBIX_COUNT_GLYPHS)
#include <SDL3_ttf/SDL_ttf.h>
#endif

#endif

// Small helpers whose SDL calls differ between the two in more than a name.
namespace sdlx {

// The folder of the running program, ending with a separator; empty when SDL cannot
// tell. SDL3 keeps the string; SDL2 hands it over to be freed.
inline std::string basePath()
{
#if defined(BRAMBIX_SDL2)
    char* path = SDL_GetBasePath();
    std::string result = path != nullptr ? path : "";
    SDL_free(path);
    return result;
#else
    const char* path = SDL_GetBasePath();
    return path != nullptr ? path : "";
#endif
}

// Tells SDL the game's name, version and application id before SDL_Init, so that the
// desktop matches the window with the menu entry of that id. SDL2 has no id of its
// own: it takes the X11 window class and the Wayland app id from two environment
// variables (an id the player set there wins).
inline void setAppIdentity(const char* name, const char* version, const char* appId)
{
#if defined(BRAMBIX_SDL2)
    (void)version;
    SDL_SetHint(SDL_HINT_APP_NAME, name);
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", appId, 0);
    SDL_setenv("SDL_VIDEO_WAYLAND_WMCLASS", appId, 0);
#else
    SDL_SetAppMetadata(name, version, appId);
#endif
}

// Which SDL this build uses, with its version, e.g. "SDL2 2.26.5".
inline std::string flavour()
{
#if defined(BRAMBIX_SDL2)
    SDL_version v;
    SDL_GetVersion(&v);
    return "SDL2 " + std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.patch);
#else
    int v = SDL_GetVersion();
    return "SDL3 " + std::to_string(SDL_VERSIONNUM_MAJOR(v)) + "." + std::to_string(SDL_VERSIONNUM_MINOR(v)) + "." +
           std::to_string(SDL_VERSIONNUM_MICRO(v));
#endif
}

// The key event's own fields: SDL2 keeps them in `keysym`.
inline const auto& keyOf(const SDL_Event& e)
{
#if defined(BRAMBIX_SDL2)
    return e.key.keysym;
#else
    return e.key;
#endif
}

inline SDL_Scancode scancode(const SDL_Event& e)
{
    return keyOf(e).scancode;
}

// Whether the key event is the platform repeating a held key.
inline bool isKeyRepeat(const SDL_Event& e)
{
    return e.key.repeat != 0;
}

// The modifier keys held with the key event, as SDL_KMOD_* bits.
inline unsigned keyModifiers(const SDL_Event& e)
{
    return keyOf(e).mod;
}

// Whether the event says the window's size in pixels has changed.
inline bool isWindowResize(const SDL_Event& e)
{
#if defined(BRAMBIX_SDL2)
    return e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED;
#else
    return e.type == SDL_EVENT_WINDOW_PIXEL_SIZE_CHANGED;
#endif
}

inline bool isFullscreen(SDL_Window* window)
{
    return (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0;
}

// Borderless fullscreen at the desktop's own resolution, or back to the window; SDL puts
// the window back at its size and place from before.
inline bool setDesktopFullscreen(SDL_Window* window, bool on)
{
#if defined(BRAMBIX_SDL2)
    return SDL_SetWindowFullscreen(window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) == 0;
#else
    return SDL_SetWindowFullscreenMode(window, nullptr) && SDL_SetWindowFullscreen(window, on);
#endif
}

// ---------------------------------------------------------------- pads

// Starts the pads' part of SDL, after SDL_Init; false when the platform has none. SDL2 is
// told to report a Nintendo pad's buttons by position, as SDL3 always does.
inline bool initPads()
{
#if defined(BRAMBIX_SDL2)
    SDL_SetHint(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0");
#endif
    return SDL_InitSubSystem(SDL_INIT_GAMEPAD);
}

// Opens the pad an SDL_EVENT_GAMEPAD_ADDED event announces; null when it cannot be.
// SDL3's event names the pad, SDL2's its place in the list of devices.
inline SDL_Gamepad* openAddedPad(const SDL_Event& e)
{
#if defined(BRAMBIX_SDL2)
    return SDL_GameControllerOpen(e.cdevice.which);
#else
    return SDL_OpenGamepad(e.gdevice.which);
#endif
}

// The pad a removal or button event is about, as SDL_GetGamepadID names it.
inline SDL_JoystickID padOfEvent(const SDL_Event& e)
{
#if defined(BRAMBIX_SDL2)
    return e.type == SDL_EVENT_GAMEPAD_BUTTON_DOWN ? e.cbutton.which : e.cdevice.which;
#else
    return e.type == SDL_EVENT_GAMEPAD_BUTTON_DOWN ? e.gbutton.which : e.gdevice.which;
#endif
}

// The button, by position, an SDL_EVENT_GAMEPAD_BUTTON_DOWN event presses.
inline SDL_GamepadButton padButton(const SDL_Event& e)
{
#if defined(BRAMBIX_SDL2)
    return static_cast<SDL_GamepadButton>(e.cbutton.button);
#else
    return static_cast<SDL_GamepadButton>(e.gbutton.button);
#endif
}

// Sets the renderer's logical presentation and draws through it from here on: SDL3 keeps
// drawing through the viewport it last queued until one is set anew.
inline void setLogicalPresentation(SDL_Renderer* r, int w, int h, SDL_RendererLogicalPresentation mode)
{
    SDL_SetRenderLogicalPresentation(r, w, h, mode);
#if !defined(BRAMBIX_SDL2)
    SDL_SetRenderViewport(r, nullptr);
#endif
}

// ---- Fingers

// One finger event as the game reads it: x and y across the window from 0 to 1 (as SDL
// gives them: see RENDERER_MOVES_FINGERS).
struct Finger {
    enum class Phase { Down, Motion, Up, Cancel };
    Phase phase = Phase::Down;
    uint64_t id = 0;
    float x = 0.0f;
    float y = 0.0f;
    bool fromMouse = false;  // made up by SDL from the mouse
};

// SDL2's renderer rewrites a finger event's position into its logical picture and
// clamps it at the picture's edges, where SDL3 leaves it across the window: on SDL2 an
// event filter, which runs before that, has to keep it.
#if defined(BRAMBIX_SDL2)
constexpr bool RENDERER_MOVES_FINGERS = true;
using EventFilterResult = int;
#else
constexpr bool RENDERER_MOVES_FINGERS = false;
using EventFilterResult = bool;
#endif

// Reads `e` when it is a finger event; false otherwise.
inline bool readFinger(const SDL_Event& e, Finger& out)
{
    switch (e.type) {
    case SDL_EVENT_FINGER_DOWN:
        out.phase = Finger::Phase::Down;
        break;
    case SDL_EVENT_FINGER_MOTION:
        out.phase = Finger::Phase::Motion;
        break;
    case SDL_EVENT_FINGER_UP:
        out.phase = Finger::Phase::Up;
        break;
#if !defined(BRAMBIX_SDL2)
    case SDL_EVENT_FINGER_CANCELED:
        out.phase = Finger::Phase::Cancel;
        break;
#endif
    default:
        return false;
    }
#if defined(BRAMBIX_SDL2)
    out.id = static_cast<uint64_t>(e.tfinger.fingerId);
    out.fromMouse = e.tfinger.touchId == SDL_MOUSE_TOUCHID;
    out.x = e.tfinger.x;
    out.y = e.tfinger.y;
#else
    out.id = static_cast<uint64_t>(e.tfinger.fingerID);
    out.fromMouse = e.tfinger.touchID == SDL_MOUSE_TOUCHID;
    out.x = e.tfinger.x;
    out.y = e.tfinger.y;
#endif
    return true;
}

// When `e` happened, on the clock SDL_GetTicks reads.
inline uint64_t eventMs(const SDL_Event& e)
{
#if defined(BRAMBIX_SDL2)
    // SDL2's event times are 32-bit milliseconds, which wrap after 49 days: taken as the
    // nearest time to now that they name.
    const Uint64 now = SDL_GetTicks64();
    const auto ago = static_cast<int32_t>(static_cast<Uint32>(now) - e.common.timestamp);
    return now - static_cast<Uint64>(static_cast<int64_t>(ago));
#else
    return e.common.timestamp / 1000000;  // nanoseconds
#endif
}

// Whether `e` comes from the mouse, and whether SDL made it up from a finger.
inline bool isMouseEvent(const SDL_Event& e)
{
    return e.type == SDL_EVENT_MOUSE_MOTION || e.type == SDL_EVENT_MOUSE_BUTTON_DOWN ||
           e.type == SDL_EVENT_MOUSE_BUTTON_UP || e.type == SDL_EVENT_MOUSE_WHEEL;
}
inline bool isMouseFromTouch(const SDL_Event& e)
{
    if (e.type == SDL_EVENT_MOUSE_MOTION) {
        return e.motion.which == SDL_TOUCH_MOUSEID;
    }
    if (e.type == SDL_EVENT_MOUSE_WHEEL) {
        return e.wheel.which == SDL_TOUCH_MOUSEID;
    }
    return isMouseEvent(e) && e.button.which == SDL_TOUCH_MOUSEID;
}

// How many of the window's pixels make one of the display's points (a CSS pixel in a
// browser, a 100 % pixel on a scaled desktop): the window's display scale; SDL2 knows
// only its pixel density.
inline float windowDisplayScale(SDL_Window* window)
{
#if defined(BRAMBIX_SDL2)
    int w = 0;
    int h = 0;
    int pw = 0;
    int ph = 0;
    SDL_GetWindowSize(window, &w, &h);
    SDL_GetWindowSizeInPixels(window, &pw, &ph);
    return w > 0 && pw > 0 ? static_cast<float>(pw) / static_cast<float>(w) : 1.0f;
#else
    const float scale = SDL_GetWindowDisplayScale(window);
    return scale > 0.0f ? scale : 1.0f;
#endif
}

}  // namespace sdlx
