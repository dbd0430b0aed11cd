// The graphics wrappers: objects around the native handles of our flat 2D layer, used to paint
// and encode the window shadows.
//
// Contents:
//   graphics/flat.h     the flat layer: statuses, handles, start-up, memory, the image object
//   graphics/base.h     GraphicsObject, last_status, the call patterns, text and GUID conversions
//   graphics/streams.h  GlobalStream and BytesStream: images to and from byte arrays
//   graphics/brush.h    SolidBrush and BlurEffect
//   graphics/bitmap.h   Bitmap: creation, pixels, blur, rotation, codecs, frames, properties
//   graphics/surface.h  Graphics: drawing, text, images, transforms, clipping, states on a bitmap
//   graphics/region.h   Region: combining, bounds, hit tests and scans of areas
#pragma once

#include "graphics/base.h"
#include "graphics/bitmap.h"
#include "graphics/brush.h"
#include "graphics/flat.h"
#include "graphics/region.h"
#include "graphics/streams.h"
#include "graphics/surface.h"
