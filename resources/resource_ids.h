#pragma once

#include <QString>

// Pictures the program carries, by the identifiers the dialogs ask for.
namespace velkor {

inline constexpr int kCardReinsertAnimation = 207;

// The Qt resource path of picture `id` of resource type `type` (for instance "GIF").
QString ResourcePath(int id, const QString& type);

// Makes sure the embedded pictures are registered (static libraries need this once).
void RegisterResources();

} // namespace velkor
