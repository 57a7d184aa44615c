#pragma once
// Offscreen screenshots of the windows, for the README. Each shot_*.cpp registers its windows.

#include <QString>
#include <QWidget>

#include <functional>

namespace vorlan::shots {

using ShotFunction = std::function<void(const QString& outputFolder)>;

struct Registrar {
    Registrar(const char* name, ShotFunction f);
};

// Saves a window (after laying it out) as <folder>/<file>.png.
void save(QWidget* w, const QString& folder, const QString& file);

} // namespace vorlan::shots
