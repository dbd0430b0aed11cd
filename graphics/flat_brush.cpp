// Solid brushes.
#include "graphics/flat.h"

namespace lumetra::flat {

Status GdipCreateSolidFill(ARGB color, Handle* brush) {
  if (!brush) return InvalidParameter;
  if (Status s = require_started()) return s;
  auto b = std::make_shared<Brush>();
  b->color = color;
  *brush = add_object(std::move(b));
  return Ok;
}

Status GdipSetSolidFillColor(Handle brush, ARGB color) {
  auto b = find<Brush>(brush);
  if (!b || b->type != 0) return InvalidParameter;
  b->color = color;
  return Ok;
}

Status GdipGetSolidFillColor(Handle brush, ARGB* color) {
  auto b = find<Brush>(brush);
  if (!b || b->type != 0 || !color) return InvalidParameter;
  *color = b->color;
  return Ok;
}

Status GdipCloneBrush(Handle brush, Handle* clone) {
  auto b = find<Brush>(brush);
  if (!b || !clone) return InvalidParameter;
  auto copy = std::make_shared<Brush>();
  copy->type = b->type;
  copy->color = b->color;
  *clone = add_object(std::move(copy));
  return Ok;
}

Status GdipGetBrushType(Handle brush, int* type) {
  auto b = find<Brush>(brush);
  if (!b || !type) return InvalidParameter;
  *type = b->type;
  return Ok;
}

Status GdipDeleteBrush(Handle brush) {
  return remove_object(brush, Kind::Brush) ? Ok : InvalidParameter;
}

}  // namespace lumetra::flat
