#pragma once

#include <memory>

class TFDM;
class TFmain;

// Registers the windows the main menu opens.
void registerStandardWindows();

// The start-up after the data module's creation: the start-up picture, then the login. The
// main window (not yet shown) when a password was accepted, else nullptr.
std::unique_ptr<TFmain> StartOrvane(TFDM& dm);
