// The window toolkit the windows are written against: controls declared in
// one table per window, their properties and events, always-modal windows,
// message boxes, the one error boundary and the program's entry. Qt Widgets
// underneath; no exception ever crosses Qt code.
#pragma once

#include "platform/text/Collation.h"
#include "platform/text/Error.h"
#include "platform/text/TextFunctions.h"
#include "platform/toolkit/CommandButton.h"
#include "platform/toolkit/Control.h"
#include "platform/toolkit/Design.h"
#include "platform/toolkit/ErrorBoundary.h"
#include "platform/toolkit/Form.h"
#include "platform/toolkit/ListControl.h"
#include "platform/toolkit/MsgBox.h"
#include "platform/toolkit/PasswordBox.h"
#include "platform/toolkit/Program.h"
#include "platform/toolkit/TextBox.h"
#include "platform/toolkit/Timer.h"
