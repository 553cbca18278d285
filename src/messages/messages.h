// Every text that the windows, their message boxes and the command line show
// a user, in one place: what to change to reword, shorten or translate what
// Hollin says. Menu texts and shortcuts are the resource script's
// (res/hollin.rc); box titles and the design's fixed wordings (the warning,
// the question on closing) stand here word for word as the design has them.
//
// A module of functions rather than the resource script's string table: the
// portable tests (the headless windows, the command line) run where no
// resource is compiled or loaded, the command line writes UTF-8, and most
// texts take names and numbers, which functions put in place without a
// formatter of their own. The window and the command line share the wording
// of refused writes and the "first ten, then N more" of long lists.
//
// A line break within a window's or a box's text is a carriage return ("\r");
// the command line's texts end their lines with "\n" where they end them.
//
// The texts are kept by whom they are for: the windows and their boxes
// (window_texts.h), the command line (command_line_texts.h), the guard
// (guard_texts.h), and what more than one of them says (shared_texts.h),
// all in the one namespace hollin::msg. This header brings them all.
#pragma once

#include "messages/command_line_texts.h"
#include "messages/guard_texts.h"
#include "messages/shared_texts.h"
#include "messages/window_texts.h"
