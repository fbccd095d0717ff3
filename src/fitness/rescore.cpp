#include "fitness/rescore.h"

#include "data/data_module.h"
#include "data/dataset.h"
#include "fitness/scoring_engine.h"

#include <algorithm>

namespace Scoring {

RescoreResult RescoreYear(TFDM& dm, int year, StandardSource& source,
                          const std::function<void(int, int)>& progress)
{
    RescoreResult result;
    Dataset rows;
    rows.setConnection(dm.DBConn(), &dm.dialect());
    rows.setSql(QStringLiteral("select * from CJB where XN=? order by ID"), {year});
    if (!rows.open()) {
        result.error = rows.lastError();
        return result;
    }
    result.rows = rows.rowCount();
    RowScorer scorer(rows, source);
    if (!scorer.isValid()) {
        result.error = QStringLiteral("成绩表缺少评分所需的字段");
        return result;
    }
    rows.disableControls();
    const int step = std::max(1, result.rows / 100);
    for (int r = 0; r < result.rows; ++r) {
        if (!rows.setCurrentRow(r)) {
            result.error = rows.lastError();
            rows.cancelBatch();
            rows.enableControls();
            return result;
        }
        scorer.rescoreCurrent();
        if (!rows.post()) {
            result.error = rows.lastError();
            rows.cancel();
            rows.cancelBatch();
            rows.enableControls();
            return result;
        }
        if (progress && ((r + 1) % step == 0 || r + 1 == result.rows))
            progress(r + 1, result.rows);
    }
    result.changed = rows.pendingCount();
    const bool written = rows.updateBatch();
    rows.enableControls();
    if (!written) {
        result.error = rows.batchError().message;
        result.changed = 0;
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace Scoring
