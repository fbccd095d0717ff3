#pragma once

class QString;
class QVariant;
class TFDM;
class TFStdGrid;

// The two scoring-standard windows: standard grid windows over TZJKB and SGTZB.
TFStdGrid* makeScoringStandardWindow(TFDM& dm); // TFtbpc
TFStdGrid* makeBmiStandardWindow(TFDM& dm);     // TFsgtz
void registerStandardTableWindows();

// A grade group as the grid shows it: 12 大一大二, 34 大三大四, anything else unchanged.
QString DBGNJBZGetText(const QVariant& value);
