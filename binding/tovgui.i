// The Python module `tovgui`: the widget toolkit, the drawing context, the theme, touch input
// and the CAN device for scripts. The interface files are included in the order of the
// module's function table (each holds one run of its classes), and the constants in the order
// scripts see them.

%module(directors="1") tovgui

%{
// The wrappers see the script's view of the toolkit: the spellings below are the ones the
// error texts and prototype lists carry.
#include <map>
#include <string>
using namespace std;
%}

%include "frame.i"
%include "lifetime.i"

// Module constants; `cvar` follows them, created with the theme's table below.
%constant char *PATH_IMAGES = (char *)PATH_IMAGES;
%constant double TWO_PI = TWO_PI;
%constant double PI = PI;
%constant double LOG_10 = LOG_10;
%constant int CORE_GUI = CORE_GUI;
%constant int DEVICE_PX415 = DEVICE_PX415;
%constant char *DEVICE_TYPE_STRING = (char *)DEVICE_TYPE_STRING;
%constant char *SOFTWARE_VERSION = (char *)SOFTWARE_VERSION;
%constant char *SOFTWARE_RELEASE = (char *)SOFTWARE_RELEASE;

%include "theme.i"
%include "device.i"
%include "constants.i"
// The classes, one run of the function table per file.
%include "message.i"
%include "elements.i"
%include "fonts.i"
%include "records.i"
%include "images.i"
%include "dc.i"
%include "buttons.i"
%include "grid.i"
%include "panels.i"
%include "widgets.i"
%include "lists.i"
%include "messagebox.i"
%include "meters.i"
%include "popups.i"
%include "select.i"
%include "tabs.i"
%include "textbox.i"
%include "values.i"
%include "manager.i"
