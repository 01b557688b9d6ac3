// The engine knows no windows, so asking about an older Access dictionary and converting it happen here.
#pragma once

#include <QString>

#include <functional>

namespace tarvix {

// The build tree's tarvix-db, tried after the program's own folder and before PATH (tests may clear it).
extern QString TarvixDbInBuildTree;

// tarvix-db beside the running program, else in the build tree, else on PATH; empty when it is nowhere.
QString FindTarvixDb();

// For DBEngine::OnJetFile; hold(true) and hold(false) bracket it so the splash cannot hand over to a main window
// without a store.
bool ConvertJetDictionary(const QString& path, const std::function<void(bool wait)>& hold = {});

}  // namespace tarvix
