// Input put into SDL's event queue as if it came from the keyboard, the mouse
// or the window system, so that tests and scripted runs drive the program
// through the same road as a player.
#pragma once

namespace plat {

class Window;

// A key by its key code (KeyCodes.h); false when no scancode gives that code.
// A repeat is a press SDL makes while it believes the key held.
bool InjectKey(const Window& window, int keyCode, bool pressed, bool repeat = false);
// Pointer position in window pixels.
void InjectMouseMove(const Window& window, int x, int y);
// Button 0 left, 1 right, 2 middle, 3-7 the others.
void InjectMouseButton(const Window& window, int button, bool pressed);
// Positive notches turn the wheel away from the user.
void InjectMouseWheel(const Window& window, int notches);
void InjectFocus(const Window& window, bool gained);
void InjectResize(const Window& window, int width, int height);
// The window's close button.
void InjectClose(const Window& window);

} // namespace plat
