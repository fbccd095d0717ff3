// Scoring from the command line: one value against the installation's standard tables, and
// re-scoring a whole school year after the tables were corrected.

#include "admin_common.h"

#include "data/data_module.h"
#include "data/dataset.h"
#include "fitness/rescore.h"
#include "fitness/scoring_engine.h"
#include "platform/strict_number.h"

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

QString number(const QVariant& value)
{
    return QString::number(value.isNull() ? 0.0 : value.toDouble(), 'g', 15);
}

std::optional<double> parseNumber(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

} // namespace

int runScoreCommand(const QStringList& words)
{
    const AdminArgs args(words,
                         {QStringLiteral("--dir"), QStringLiteral("--sex"),
                          QStringLiteral("--group"), QStringLiteral("--item"),
                          QStringLiteral("--value"), QStringLiteral("--height"),
                          QStringLiteral("--weight")},
                         {QStringLiteral("--bmi")});
    const auto dir = args.value(QStringLiteral("--dir"));
    const auto sex = args.value(QStringLiteral("--sex"));
    const auto group = args.value(QStringLiteral("--group"));
    const auto code = args.value(QStringLiteral("--item"));
    const auto value = args.value(QStringLiteral("--value"));
    const auto height = args.value(QStringLiteral("--height"));
    const auto weight = args.value(QStringLiteral("--weight"));
    const bool bmi = args.flag(QStringLiteral("--bmi"));
    const bool itemForm = !bmi && group && code && value;
    const bool bmiForm = bmi && height && weight;
    if (!args.ok() || !dir || !sex || !(itemForm || bmiForm)) {
        printErr(args.ok() ? QStringLiteral(
                                 "usage: orvane-admin score --dir DIR --sex 男|女 --group 12|34 "
                                 "--item CODE --value V\n"
                                 "       orvane-admin score --dir DIR --sex 男|女 --bmi --height "
                                 "H --weight W")
                           : args.error());
        return kExitUsage;
    }
    if (*sex != QStringLiteral("男") && *sex != QStringLiteral("女")) {
        printErr(QStringLiteral("the sex is 男 or 女"));
        return kExitUsage;
    }
    const Scoring::ItemSpec* item = itemForm ? Scoring::ItemByCode(*code) : nullptr;
    if (itemForm && !item) {
        printErr(QStringLiteral("unknown item code %1").arg(*code));
        return kExitUsage;
    }
    if (itemForm && *group != QLatin1String("12") && *group != QLatin1String("34")) {
        printErr(QStringLiteral("the group is 12 or 34"));
        return kExitUsage;
    }
    const auto v = parseNumber(itemForm ? *value : *height);
    const auto w = bmiForm ? parseNumber(*weight) : std::optional<double>(0);
    if (!v || !w) {
        printErr(QStringLiteral("录入的成绩中有非法字符!"));
        return kExitUsage;
    }
    if (item && item->bonus == Scoring::Bonus::Timed && !Scoring::IsMinSecTime(*v)) {
        printErr(QStringLiteral("录入的成绩有误!"));
        return kExitUsage;
    }

    const auto dm = openInstallation(*dir);
    if (!dm)
        return kExitFailed;
    // An unsaved row of the score table, scored as the window scores the current row.
    Dataset row;
    row.setConnection(dm->DBConn(), &dm->dialect());
    row.setSql(QStringLiteral("select * from CJB where 1=0"));
    if (!row.open() || !row.append()) {
        printErr(row.lastError());
        return kExitFailed;
    }
    row.setFieldValue(u"XB", *sex);
    if (bmiForm) {
        row.setFieldValue(u"SG", *v);
        row.setFieldValue(u"TZ", *w);
        DBGSGTZDFGetValue(row);
        printOut(QStringLiteral("bmi=%1 score=%2 grade=%3")
                     .arg(number(row.fieldValue(u"SGTZCJ")), number(row.fieldValue(u"SGTZDF")),
                          row.fieldValue(u"SGTZPJ").toString()));
        return kExitOk;
    }
    row.setFieldValue(u"NJBZ", *group);
    row.setFieldValue(QString::fromLatin1(item->valueField), *v);
    Scoring::ScoreItem(row, *item);
    const auto field = [&](const char* name) {
        return name ? row.fieldValue(QString::fromLatin1(name)) : QVariant();
    };
    printOut(QStringLiteral("score=%1 grade=%2 value=%3 bonus_value=%4 bonus_points=%5")
                 .arg(number(field(item->scoreField)), field(item->gradeField).toString(),
                      number(field(item->valueField)), number(field(item->bonusValueField)),
                      number(field(item->bonusPointsField))));
    return kExitOk;
}

int runRescoreCommand(const QStringList& words)
{
    const AdminArgs args(words, {QStringLiteral("--dir"), QStringLiteral("--year")});
    const auto dir = args.value(QStringLiteral("--dir"));
    const auto yearText = args.value(QStringLiteral("--year"));
    if (!args.ok() || !dir || !yearText) {
        printErr(args.ok() ? QStringLiteral("usage: orvane-admin rescore --dir DIR --year XN")
                           : args.error());
        return kExitUsage;
    }
    bool ok = false;
    const int year = yearText->trimmed().toInt(&ok);
    if (!ok) {
        printErr(QStringLiteral("the school year is a number: %1").arg(*yearText));
        return kExitUsage;
    }
    const auto dm = openInstallation(*dir);
    if (!dm)
        return kExitFailed;
    Scoring::CachedStandardSource tables;
    if (!tables.load()) {
        printErr(tables.lastError());
        return kExitFailed;
    }
    const Scoring::RescoreResult result =
        Scoring::RescoreYear(*dm, year, tables, [](int done, int all) {
            std::fprintf(stderr, "\rrescoring %d/%d rows", done, all);
            if (done == all)
                std::fputc('\n', stderr);
        });
    if (!result.ok) {
        printErr(QStringLiteral("nothing written: %1").arg(result.error));
        return kExitFailed;
    }
    printOut(QStringLiteral("rows=%1 changed=%2").arg(result.rows).arg(result.changed));
    return kExitOk;
}
