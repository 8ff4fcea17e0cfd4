#pragma once
// Every control a window can hold.
#include "framework/controls/BevelButton.h"
#include "framework/controls/Control.h"
#include "framework/controls/Label.h"
#include "framework/controls/Listbox.h"
#include "framework/controls/NotePlayer.h"
#include "framework/controls/PushButton.h"
#include "framework/controls/Rectangle.h"
#include "framework/controls/RoundRectangle.h"
#include "framework/controls/TextArea.h"
#include "framework/controls/TextControl.h"
#include "framework/controls/TextField.h"
