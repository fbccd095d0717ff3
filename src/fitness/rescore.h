#pragma once

#include <QString>

#include <functional>

class TFDM;

namespace Scoring {

class StandardSource;

struct RescoreResult
{
    bool ok = false;
    int rows = 0;    // score rows of the year
    int changed = 0; // rows whose columns the scoring changed
    QString error;   // why nothing was written
};

// Re-scores every score row of a school year and writes the changed rows in one batch.
// Progress is reported as (rows done, rows in all).
RescoreResult RescoreYear(TFDM& dm, int year, StandardSource& source,
                          const std::function<void(int, int)>& progress = {});

} // namespace Scoring
