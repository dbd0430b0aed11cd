// The graphics wrappers: objects around the native handles of our flat 2D layer, used to paint
// and encode the window shadows.
//
// Contents:
//   graphics/flat.h     the flat layer: statuses, handles, start-up, memory, the image object
//   graphics/base.h     GraphicsObject, last_status, the call patterns, text and GUID conversions
#pragma once

#include "graphics/base.h"
#include "graphics/flat.h"
