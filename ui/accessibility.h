#pragma once
// What assistive technology (AT-SPI on Linux) is told about the window beyond Qt's own
// accessible interfaces:
// - the main window (TForm1) is a window, named by its title;
// - the page control's tab bar (TPageTabBar) offers the shown tabs only, each a page tab that
//   can be pressed;
// - a value label (TValueLabel) is named by the value it shows, described by the field it
//   shows, and offers its text through the text interface.
//
// Thread affinity: main thread only.

namespace px708 {

// Installs the interfaces above; called once by the application object.
void installAccessibleInterfaces();

} // namespace px708
