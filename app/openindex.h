#pragma once

class MainWindow;

// Opens the dictionary index at start-up, creating its schema in a file
// without tables, and tells `window` how that went. The index lies beside
// the settings file, so the window must have written that first.
void openIndex(MainWindow *window);
