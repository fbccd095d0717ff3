#include "app/config.h"
#include "app/current_operator.h"
#include "data/data_module.h"
#include "data/dataset.h"
#include "fitness/score_entry_window.h"
#include "fitness/scoring_engine.h"
#include "platform/data_grid.h"
#include "platform/spreadsheet.h"
#include "support/scripted_interaction.h"
#include "support/test_database.h"
#include "support/test_environment.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QToolTip>
#include <QTreeView>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {
const QString kYear = QStringLiteral("2026");

// Interval rows of the standard table for one item: more-is-better items take
// [bounds[i], bounds[i+1]), timed items (bounds[i], bounds[i+1]].
struct ItemRows
{
    const char* code;
    double weight;
    QList<double> bounds;
    QList<int> points;
};

const QList<ItemRows>& standardRows()
{
    static const QList<ItemRows> rows = {
        {"04", 0.15, {0, 3000, 3500, 4200, 99999}, {50, 70, 85, 100}},
        {"06", 0.10, {0, 200, 220, 240, 999}, {50, 70, 85, 100}},
        {"07", 0.10, {-50, 5, 12, 18, 99}, {50, 70, 85, 100}},
        {"14", 0.10, {0, 10, 14, 19, 20, 23, 999}, {50, 70, 85, 100, 105, 110}},
        {"12", 0.10, {0, 26, 38, 50, 52, 56, 999}, {50, 70, 85, 100, 105, 110}},
        {"05", 0.20, {0, 7.0, 7.8, 8.6, 99}, {100, 85, 70, 50}},
        {"11", 0.20, {0, 3.05, 3.20, 3.50, 4.20, 99}, {110, 100, 85, 70, 50}},
        {"10", 0.20, {0, 3.00, 3.20, 3.45, 4.10, 99}, {110, 100, 85, 70, 50}},
    };
    return rows;
}

QString gradeOf(int points)
{
    return points >= 100  ? QStringLiteral("优秀")
           : points >= 85 ? QStringLiteral("良好")
           : points >= 60 ? QStringLiteral("及格")
                          : QStringLiteral("不及格");
}

struct Student
{
    QString id, xh, name, sex, teacher, className, year;
    bool pullUpsMarked = true;
};

// A small database: the standard rows, the limits, three classes of two teachers and a row
// of another year.
struct Fixture
{
    TestEnvironment env;
    ScriptedInteraction ui;
    ScopedInteraction installed{ui};
    TestDatabase db;
    bool ok = false;
    int serial = 0;

    explicit Fixture(Dialect::Kind engine) : db(engine)
    {
        mutableAppSettings().InstitutionName = QStringLiteral("北方示范学院");
        prepareWorkingFolders();
        ui.previewFolder = env.root();
        CurrentOperator& op = currentOperator();
        op.CurOperId = QStringLiteral("102001");
        op.CurOperName = QStringLiteral("王老师");
        op.CurOperRole = QStringLiteral("教师");
        ok = db.isOpen() && db.createSchema() && standards();
    }

    bool exec(const QString& sql, const QVariantList& binds)
    {
        QSqlQuery q(db.dm().DBConn());
        q.prepare(sql);
        for (const QVariant& v : binds)
            q.addBindValue(v);
        if (!q.exec()) {
            qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
            return false;
        }
        return true;
    }

    bool standards()
    {
        int id = 1;
        for (const ItemRows& item : standardRows()) {
            for (const char* sex : {"男", "女"}) {
                for (qsizetype i = 0; i + 1 < item.bounds.size(); ++i) {
                    // Women run 50 m a second slower for the same points.
                    const double shift =
                        QByteArray(item.code) == "05" && QByteArray(sex) == "女" ? 1.0 : 0.0;
                    const double lo = item.bounds[i] + (i > 0 ? shift : 0);
                    const double hi = item.bounds[i + 1] + shift;
                    if (!exec("INSERT INTO TZJKB (ID, NJBZ, XB, XM, GL, XXZ, SXZ, FZ, DJ, BZ) "
                              "VALUES (?, '12', ?, 'x', ?, ?, ?, ?, ?, ?)",
                              {id++, QString::fromUtf8(sex), QString::fromLatin1(item.code), lo, hi,
                               item.points[i], gradeOf(item.points[i]), item.weight}))
                        return false;
                }
            }
        }
        const QList<std::tuple<double, double, int, QString>> bmi = {{14, 17.9, 80, "较低体重"},
                                                                     {17.9, 24, 100, "正常体重"},
                                                                     {24, 28, 80, "超    重"},
                                                                     {28, 40, 60, "肥    胖"}};
        for (const char* sex : {"男", "女"}) {
            for (const auto& [lo, hi, points, grade] : bmi) {
                if (!exec("INSERT INTO SGTZB (ID, XB, SGXXZ, SGSXZ, FZ, DJ, BZ) "
                          "VALUES (?, ?, ?, ?, ?, ?, 0.15)",
                          {id++, QString::fromUtf8(sex), lo, hi, points, grade}))
                    return false;
            }
        }
        const QList<std::tuple<QString, double, double>> limits = {
            {"01", 1.0, 2.5},  {"02", 30, 150},  {"04", 500, 9000}, {"07", -20, 40},
            {"14", 0, 50},     {"12", 0, 80},    {"06", 100, 350},  {"05", 5, 15},
            {"11", 2.3, 9.59}, {"10", 2.3, 9.59}};
        for (const auto& [code, lo, hi] : limits) {
            if (!exec("INSERT INTO ZBLBB (ID, ZBBM, ZBMC, XB, XXZ, SXZ) VALUES (?, ?, 'x', "
                      "'全部', ?, ?)",
                      {207001 + id++, code, lo, hi}))
                return false;
        }
        for (const auto& [mc, teacher, year] : {std::tuple{"体育1班", 102001, 2026},
                                                {"体育'3班", 102001, 2026},
                                                {"体育2班", 102002, 2026},
                                                {"旧班", 102001, 2025}}) {
            if (!exec("INSERT INTO XZBB (ID, MC, JSID, XN) VALUES (?, ?, ?, ?)",
                      {id++, QString::fromUtf8(mc), teacher, year}))
                return false;
        }
        return true;
    }

    // A score row as the roster makes it: the items of the sex marked "-1".
    bool addStudent(const Student& s)
    {
        const bool female = s.sex == QStringLiteral("女");
        const QVariant marked = QStringLiteral("-1");
        const QVariant none = QVariant(QMetaType::fromType<QString>());
        return exec("INSERT INTO CJB (ID, XH, XSXM, XB, JSID, XN, XQ, XZBMC, NJBZ, MS, BZ, TBDF, "
                    "DJ, FHLPJ, QQPJ, TYPJ, WSPJ, YTPJ, QMPJ, YWPJ, BBPJ) VALUES (?, ?, ?, ?, ?, "
                    "?, ?, ?, '1A', '否', 0.5, 0, '不及格', '-1', '-1', '-1', '-1', ?, ?, ?, ?)",
                    {s.id, s.xh, s.name, s.sex, s.teacher.toInt(), s.year.toInt(),
                     s.year.toInt() * 100 + 3, s.className,
                     !female && s.pullUpsMarked ? marked : none, female ? none : marked,
                     female ? marked : none, female ? marked : none});
    }

    Student student(const QString& sex, const QString& className, const QString& teacher,
                    const QString& year = kYear)
    {
        ++serial;
        return {QStringLiteral("%1.%2.%3").arg(teacher, year + "03").arg(serial, 4, 10, QChar('0')),
                QStringLiteral("%1%2").arg(year).arg(serial, 6, 10, QChar('0')),
                QStringLiteral("学生%1").arg(serial),
                sex,
                teacher,
                className,
                year};
    }

    int count(const QString& sql)
    {
        QSqlQuery q(db.dm().DBConn());
        return q.exec(sql) && q.next() ? q.value(0).toInt() : -1;
    }

    QVariant valueOf(const QString& id, const QString& field)
    {
        QSqlQuery q(db.dm().DBConn());
        q.prepare("SELECT " + field + " FROM CJB WHERE ID = ?");
        q.addBindValue(id);
        return q.exec() && q.next() ? q.value(0) : QVariant();
    }
};

// Types into whatever has the focus, then Enter; returns the name of the box typed into.
QString typeAndEnter(const QString& text)
{
    QWidget* focused = QApplication::focusWidget();
    if (!focused)
        return QString();
    const QString name = focused->objectName();
    if (!text.isNull())
        QTest::keyClicks(focused, text);
    QTest::keyClick(focused, Qt::Key_Return);
    return name;
}

std::unique_ptr<TFtbcjgl> openWindow(Fixture& f)
{
    auto w = std::make_unique<TFtbcjgl>(f.db.dm());
    w->resize(1200, 800);
    w->show();
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w.get()))
        return nullptr;
    return w;
}

void query(TFtbcjgl& w, const QString& year, const QString& className = QString())
{
    w.RXQ->setText(year);
    w.CBJ->setEditText(className);
    w.BQueryClick();
}

bool sameCell(const QVariant& a, const QVariant& b)
{
    const bool an = !a.isValid() || a.isNull(), bn = !b.isValid() || b.isNull();
    if (an || bn)
        return an == bn;
    bool aok = false, bok = false;
    const double ad = a.toDouble(&aok), bd = b.toDouble(&bok);
    if (aok && bok)
        return std::abs(ad - bd) < 1e-9;
    return a.toString() == b.toString();
}

const QStringList kScoredFields = {
    "SG",     "TZ",     "SGTZCJ", "SGTZDF", "SGTZPJ", "FHLCJ",  "FHLDF",  "FHLPJ", "QQCJ",
    "QQDF",   "QQPJ",   "YTCJ",   "YTDF",   "YTPJ",   "YTJFCJ", "YTJFDF", "YWCJ",  "YWDF",
    "YWPJ",   "YWJFCJ", "YWJFDF", "TYCJ",   "TYDF",   "TYPJ",   "WSCJ",   "WSDF",  "WSPJ",
    "QMCJ",   "QMDF",   "QMPJ",   "QMJFCJ", "QMJFDF", "BBCJ",   "BBDF",   "BBPJ",  "BBJFCJ",
    "BBJFDF", "TBZF",   "JF",     "ZF",     "TBDF",   "DJ"};
} // namespace

class TestScoreWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void queryByPosition_data() { TestDatabase::addEngineRows(); }
    void queryByPosition()
    {
        QFETCH(Dialect::Kind, engine);
        Fixture f(engine);
        QVERIFY(f.ok);
        for (const Student& s :
             {f.student("男", "体育1班", "102001"), f.student("女", "体育1班", "102001"),
              f.student("男", "体育'3班", "102001"), f.student("女", "体育2班", "102002"),
              f.student("男", "旧班", "102001", "2025")})
            QVERIFY(f.addStudent(s));
        auto w = openWindow(f);
        QVERIFY(w);

        // At start: no 修改, 确认, 取消; the tester button is hidden; 导入 does nothing yet.
        QVERIFY(!w->BTMod0->isEnabled() && !w->BOK->isEnabled() && !w->BCan->isEnabled());
        QVERIFY(w->BGet->isHidden());
        QCOMPARE(QApplication::focusWidget(), w->RXQ);
        w->BImportClick();
        QVERIFY(f.ui.fileRequests.isEmpty());
        QVERIFY(!w->DBG->isEditing() && !w->BOK->isEnabled());

        query(*w, "  ");
        QCOMPARE(f.ui.messageTexts(), QStringList{"请输入学年"});
        QVERIFY(!w->BTMod0->isEnabled());

        // Leaving the year box lists the teacher's classes of that year.
        w->RXQ->setText("2026");
        w->ESG->setFocus();
        QCOMPARE(w->CBJ->count(), 2);
        QCOMPARE(w->CBJ->itemText(0), QString("体育'3班"));
        // A dialog or another program taking the focus is no leaving: the chosen class stays.
        w->CBJ->setEditText("体育1班");
        w->RXQ->setFocus();
        for (Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
            QFocusEvent out(QEvent::FocusOut, reason);
            QApplication::sendEvent(w->RXQ, &out);
            QCOMPARE(w->CBJ->currentText(), QString("体育1班"));
        }
        w->ESG->setFocus();
        QCOMPARE(w->CBJ->currentText(), QString());

        const auto shown = [&] {
            QStringList xs;
            for (int r = 0; r < w->QXZB->rowCount(); ++r)
                xs << w->QXZB->value(r, w->QXZB->fieldIndex(u"XSXM")).toString();
            return xs;
        };
        query(*w, "2026");
        QCOMPARE(shown(), (QStringList{"学生1", "学生2", "学生3"}));
        QVERIFY(w->BTMod0->isEnabled());
        QCOMPARE(w->DBG->footerText("ID"), QString("共3个"));
        QCOMPARE(w->EXM->text(), QString("学生1"));
        query(*w, "2026", "体育'3班"); // a quote in the class name is only a character
        QCOMPARE(shown(), QStringList{"学生3"});

        currentOperator().CurOperRole = "主任";
        query(*w, "2026");
        QCOMPARE(shown(), (QStringList{"学生1", "学生2", "学生3", "学生4"}));
        query(*w, "2026", "体育2班");
        QCOMPARE(shown(), QStringList{"学生4"});

        f.ui.clear();
        currentOperator().CurOperRole = "办公室";
        query(*w, "2026");
        QCOMPARE(f.ui.messageTexts(), QStringList{"没有相应记录！"});
        currentOperator().CurOperRole = "教师";
        f.ui.clear();
        query(*w, "2024");
        QCOMPARE(f.ui.messageTexts(), QStringList{"没有相应记录！"});
        f.ui.clear();
        query(*w, "2026' or '1'='1");
        QCOMPARE(f.ui.messageTexts(), QStringList{"没有相应记录！"});

        // The student-number search.
        query(*w, "2026");
        w->LXH->setText("2026000003");
        QTest::keyClick(w->LXH, Qt::Key_Return);
        QCOMPARE(w->QXZB->currentRow(), 2);
        QCOMPARE(QApplication::focusWidget(), w->ESG);
        f.ui.clear();
        w->LXH->setFocus();
        w->LXH->setText("999");
        QTest::keyClick(w->LXH, Qt::Key_Return);
        QCOMPARE(f.ui.messageTexts(), QStringList{"当前记录中没有找到此学号!"});
        QCOMPARE(w->LXH->selectedText(), QString("999"));
    }

    // The to-be-tested marker decides which boxes take values; refused values are not posted.
    void editabilityAndRefusals_data() { TestDatabase::addEngineRows(); }
    void editabilityAndRefusals()
    {
        QFETCH(Dialect::Kind, engine);
        Fixture f(engine);
        QVERIFY(f.ok);
        Student noPullUps = f.student("男", "体育1班", "102001");
        noPullUps.pullUpsMarked = false;
        QVERIFY(f.addStudent(noPullUps));
        QVERIFY(f.addStudent(f.student("男", "体育1班", "102001")));
        auto w = openWindow(f);
        QVERIFY(w);
        query(*w, kYear);

        // Browsing: everything locked in the info colour.
        const QColor info = QToolTip::palette().color(QPalette::ToolTipBase);
        const QColor face = QApplication::palette().color(QPalette::Button);
        QVERIFY(w->ESG->isReadOnly() && w->EYT->isReadOnly());
        QCOMPARE(w->ESG->palette().color(QPalette::Base), info);
        QCOMPARE(w->EXH->palette().color(QPalette::Base), face);

        w->BTMod0Click();
        QVERIFY(w->DBG->isEditing() && w->BOK->isEnabled() && w->BCan->isEnabled());
        QVERIFY(!w->ESG->isReadOnly() && !w->EQM->isReadOnly());
        QVERIFY(w->EYT->isReadOnly()); // YTPJ NULL: no pull-ups for this student
        QVERIFY(w->EYW->isReadOnly());
        QCOMPARE(w->EYT->palette().color(QPalette::Base), face);
        QCOMPARE(w->ESG->palette().color(QPalette::Base), QColor(Qt::white));
        w->QXZB->next();
        QVERIFY(!w->EYT->isReadOnly()); // YTPJ "-1"
        QCOMPARE(w->EYT->palette().color(QPalette::Base), QColor(Qt::white));
        w->QXZB->first();
        QVERIFY(w->EYT->isReadOnly());

        struct Refusal
        {
            QLineEdit* box;
            const char* field;
            const char* typed;
            const char* message;
        };
        const Refusal refusals[] = {
            {w->ETZ, "TZ", "6a", "录入的成绩中有非法字符!"},
            {w->ETZ, "TZ", "200", "录入的成绩有误!"},
            {w->EWS, "WSCJ", "4.99", "录入的成绩有误!"},
            {w->EQM, "QMCJ", "3.65", "录入的成绩有误!"}, // 65 seconds is no time
        };
        for (const Refusal& r : refusals) {
            f.ui.clear();
            r.box->setFocus();
            r.box->clear();
            QTest::keyClicks(r.box, r.typed);
            QTest::keyClick(r.box, Qt::Key_Return);
            QCOMPARE(f.ui.messageTexts(), QStringList{r.message});
            QCOMPARE(QApplication::focusWidget(), r.box);
            QCOMPARE(r.box->selectedText(), QString(r.typed));
            QVERIFY(w->QXZB->fieldValue(QString::fromLatin1(r.field)).isNull());
            // Leaving the box does not sneak the value in either.
            w->ESG->setFocus();
            QVERIFY(w->QXZB->fieldValue(QString::fromLatin1(r.field)).isNull());
        }
        QVERIFY(!w->QXZB->hasPendingChanges());

        // A time in range is taken; weight cleared after BMI was scored leaves BMI 0 and no grade.
        f.ui.clear();
        w->ESG->setFocus();
        w->ESG->clear();
        QCOMPARE(typeAndEnter("1.75"), QString("ESG"));
        QCOMPARE(typeAndEnter("70"), QString("ETZ"));
        QCOMPARE(w->QXZB->fieldValue(u"SGTZCJ").toDouble(), 22.86);
        QVERIFY(w->QXZB->fieldValue(u"SGTZDF").toDouble() > 0);
        QCOMPARE(w->QXZB->fieldValue(u"SGTZPJ").toString(), QString("正常体重"));
        w->ETZ->setFocus();
        w->ETZ->selectAll();
        QTest::keyClick(w->ETZ, Qt::Key_Delete);
        QTest::keyClick(w->ETZ, Qt::Key_Return);
        QVERIFY(f.ui.messageTexts().isEmpty());
        QCOMPARE(w->QXZB->fieldValue(u"SGTZDF").toDouble(), 0.0);
        QCOMPARE(w->QXZB->fieldValue(u"SGTZPJ").toString(), QString());
        w->EQM->setFocus();
        w->EQM->clear();
        QTest::keyClicks(w->EQM, "3.59");
        QTest::keyClick(w->EQM, Qt::Key_Return);
        QVERIFY(f.ui.messageTexts().isEmpty());
        QCOMPARE(w->QXZB->value(0, w->QXZB->fieldIndex(u"QMCJ")).toDouble(), 3.59);
        QCOMPARE(w->QXZB->currentRow(), 1); // on to the next student
        QCOMPARE(QApplication::focusWidget(), w->ESG);

        // A refused value left without Enter stays in its box while other values are entered,
        // and 确认 refuses it instead of reporting success without it.
        f.ui.clear();
        w->EQM->setFocus();
        QTest::keyClicks(w->EQM, "3.65");
        w->ETY->setFocus();
        QCOMPARE(typeAndEnter("250"), QString("ETY"));
        QCOMPARE(w->QXZB->fieldValue(u"TYCJ").toDouble(), 250.0);
        QCOMPARE(w->EQM->text(), QString("3.65"));
        QVERIFY(!w->BOKClick());
        QCOMPARE(f.ui.messageTexts(), QStringList{"录入的成绩有误!"});
        QCOMPARE(QApplication::focusWidget(), w->EQM);
        QVERIFY(w->QXZB->fieldValue(u"QMCJ").isNull());
        QVERIFY(w->isEditing());
    }

    // The focus walks into the read-only box of an item the student does not take; Enter there
    // moves on and recomputes the totals but must not turn the item into one to be tested.
    void enterInUntakenItemKeepsItUntaken_data() { TestDatabase::addEngineRows(); }
    void enterInUntakenItemKeepsItUntaken()
    {
        QFETCH(Dialect::Kind, engine);
        Fixture f(engine);
        QVERIFY(f.ok);
        Student noPullUps = f.student("男", "体育1班", "102001");
        noPullUps.pullUpsMarked = false;
        QVERIFY(f.addStudent(noPullUps));
        QVERIFY(f.addStudent(f.student("男", "体育1班", "102001")));
        auto w = openWindow(f);
        QVERIFY(w);
        query(*w, kYear);
        w->BTMod0Click();

        w->EQQ->setFocus();
        QCOMPARE(typeAndEnter("15"), QString("EQQ"));
        QCOMPARE(QApplication::focusWidget(), w->EYT);
        QVERIFY(w->EYT->isReadOnly());
        QCOMPARE(typeAndEnter(QString()), QString("EYT"));
        QCOMPARE(QApplication::focusWidget(), w->ETY);
        QVERIFY(w->QXZB->fieldValue(u"YTPJ").isNull());
        QVERIFY(w->QXZB->fieldValue(u"YTDF").isNull());
        QCOMPARE(w->QXZB->fieldValue(u"ZF").toDouble(), 8.5); // 85 points of the reach x 0.1

        w->QXZB->next();
        w->QXZB->first();
        QVERIFY(w->EYT->isReadOnly());
        QVERIFY(w->BOKClick());

        // Browsing: Enter scores from the stored values, the untaken item stays untaken.
        w->EYT->setFocus();
        typeAndEnter(QString());
        QCOMPARE(QApplication::focusWidget(), w->ETY);
        QVERIFY(w->QXZB->fieldValue(u"YTPJ").isNull());
        w->BTMod0Click();
        QVERIFY(w->BOKClick());
        QVERIFY(f.valueOf(noPullUps.id, "YTPJ").isNull());
        QCOMPARE(f.valueOf(noPullUps.id, "QQPJ").toString(), QString("良好"));
    }

    // A value changed in a grid cell is scored by its hook; the totals wait for the next Enter.
    // 取消 drops everything; a failed 确认 keeps everything; closing asks first.
    void gridEditsCancelAndFailedConfirm_data() { TestDatabase::addEngineRows(); }
    void gridEditsCancelAndFailedConfirm()
    {
        QFETCH(Dialect::Kind, engine);
        Fixture f(engine);
        QVERIFY(f.ok);
        const Student s1 = f.student("女", "体育1班", "102001");
        const Student s2 = f.student("女", "体育1班", "102001");
        QVERIFY(f.addStudent(s1) && f.addStudent(s2));
        auto w = openWindow(f);
        QVERIFY(w);
        query(*w, kYear);
        w->BTMod0Click();

        w->ESG->setFocus();
        for (const char* v : {"1.60", "50", "3000", "10"})
            typeAndEnter(v);
        QCOMPARE(QApplication::focusWidget(), w->EYW); // a woman: sit-ups after the reach
        const double zf = w->QXZB->fieldValue(u"ZF").toDouble();
        QVERIFY(zf > 0);

        QAbstractItemModel* model = w->DBG->view()->model();
        const QModelIndex cell = model->index(0, w->QXZB->fieldIndex(u"WSCJ"));
        QVERIFY(model->setData(cell, 7.5, Qt::EditRole));
        QCOMPARE(w->QXZB->fieldValue(u"WSDF").toDouble(), 20.0); // (0, 8.0] of a woman: 100 points
        QCOMPARE(w->QXZB->fieldValue(u"WSPJ").toString(), QString("优秀"));
        QCOMPARE(w->QXZB->fieldValue(u"ZF").toDouble(), zf);
        typeAndEnter("30"); // sit-ups: Enter recomputes the totals
        QCOMPARE(QApplication::focusWidget(), w->ETY);
        QVERIFY(w->QXZB->fieldValue(u"ZF").toDouble() > zf + 20);

        // 取消: nothing typed stays, in the cache or the boxes.
        w->BCanClick();
        QVERIFY(!w->QXZB->hasPendingChanges());
        QVERIFY(!w->DBG->isEditing() && !w->BOK->isEnabled());
        QVERIFY(w->ESG->isReadOnly() && w->ESG->text().isEmpty());
        QVERIFY(w->QXZB->fieldValue(u"WSCJ").isNull());

        // 确认 failing (another user deleted a row meanwhile) keeps the values and the state.
        w->BTMod0Click();
        w->ESG->setFocus();
        typeAndEnter("1.62");
        typeAndEnter("52");
        QVERIFY(f.exec("DELETE FROM CJB WHERE ID = ?", {s1.id}));
        f.ui.clear();
        QVERIFY(!w->BOKClick());
        QVERIFY(f.ui.messageTexts().value(0).startsWith("更新数据失败"));
        QVERIFY(w->isEditing() && w->DBG->isEditing() && w->BOK->isEnabled());
        QVERIFY(!w->ESG->isReadOnly());
        QCOMPARE(w->QXZB->fieldValue(u"TZ").toDouble(), 52.0);

        // Closing with those values asks: stay, then drop them.
        f.ui.clear();
        f.ui.answerNo(); // not save
        f.ui.answerNo(); // not drop: stay
        QVERIFY(!w->close());
        QCOMPARE(f.ui.messageTexts(), (QStringList{"数据已修改, 是否保存?", "放弃所做的修改吗?"}));
        f.ui.answerNo();
        f.ui.answerYes();
        QVERIFY(w->close());
        QCOMPARE(f.count("SELECT COUNT(*) FROM CJB WHERE TZ IS NOT NULL"), 0);
    }

    // A class of thirty typed with the keyboard alone, confirmed; the database then holds what
    // the engine gives for the same values.
    void wholeClassByKeyboard_data() { TestDatabase::addEngineRows(); }
    void wholeClassByKeyboard()
    {
        QFETCH(Dialect::Kind, engine);
        Fixture f(engine);
        QVERIFY(f.ok);
        QList<Student> students;
        for (int i = 0; i < 30; ++i) {
            students << f.student(i % 3 == 0 ? "女" : "男", "体育1班", "102001");
            QVERIFY(f.addStudent(students.last()));
        }
        // Rows of another year to score the expectations on.
        const Student man = f.student("男", "x", "102001", "1999");
        const Student woman = f.student("女", "x", "102001", "1999");
        QVERIFY(f.addStudent(man) && f.addStudent(woman));

        const QStringList runs = {"3.05", "3.18", "3.40", "3.59", "4.10", "4.45", "2.58"};
        const QStringList walks = {"3.10", "3.35", "3.55", "4.05", "2.59"};
        const auto valuesOf = [&](int i) {
            const bool female = i % 3 == 0;
            QList<std::pair<QString, QString>> v = {
                {"ESG", QString::number(1.55 + (i % 10) * 0.03, 'f', 2)},
                {"ETZ", QString::number(45 + (i * 7) % 40)},
                {"EFHL", QString::number(2500 + i * 97)},
                {"EQQ", QString::number(-3 + (i * 5) % 25) + (i % 2 ? ".5" : "")}};
            if (female)
                v << std::pair{QString("EYW"), QString::number(20 + (i * 4) % 40)};
            else
                v << std::pair{QString("EYT"), QString::number((i * 3) % 25)};
            v << std::pair{QString("ETY"), QString::number(160 + (i * 9) % 110)}
              << std::pair{QString("EWS"), QString::number(6.5 + (i % 9) * 0.35, 'f', 2)};
            if (female)
                v << std::pair{QString("EBB"), walks[i % walks.size()]};
            else
                v << std::pair{QString("EQM"), runs[i % runs.size()]};
            return v;
        };

        auto w = openWindow(f);
        QVERIFY(w);
        query(*w, kYear, "体育1班");
        QCOMPARE(w->QXZB->rowCount(), 30);
        w->BTMod0Click();
        w->ESG->setFocus();
        for (int i = 0; i < 30; ++i) {
            QCOMPARE(w->QXZB->currentRow(), i);
            QCOMPARE(w->EXH->text(), students[i].xh);
            for (const auto& [box, text] : valuesOf(i))
                QCOMPARE(typeAndEnter(text), box); // the focus walks the boxes by sex
            QVERIFY(f.ui.messages.isEmpty());
        }
        QCOMPARE(QApplication::focusWidget(), w->ESG);
        QVERIFY(w->BOKClick());
        QVERIFY(!w->QXZB->hasPendingChanges() && !w->isEditing() && w->ESG->isReadOnly());

        // The engine on a fresh one-row dataset with the same values.
        const QHash<QString, QString> fieldOf = {
            {"ESG", "SG"},   {"ETZ", "TZ"},   {"EFHL", "FHLCJ"}, {"EQQ", "QQCJ"}, {"EYT", "YTCJ"},
            {"EYW", "YWCJ"}, {"ETY", "TYCJ"}, {"EWS", "WSCJ"},   {"EQM", "QMCJ"}, {"EBB", "BBCJ"}};
        const QHash<QString, double (*)(Dataset&)> opOf = {
            {"ESG", DBGSGTZDFGetValue}, {"ETZ", DBGSGTZDFGetValue}, {"EFHL", DBGFHLDFGetValue},
            {"EQQ", DBGQQDFGetValue},   {"EYT", DBGYTDFGetValue},   {"EYW", DBGYWDFGetValue},
            {"ETY", DBGTYDFGetValue},   {"EWS", DBGWSDFGetValue},   {"EQM", DBGQMDFGetValue},
            {"EBB", DBGBBDFGetValue}};
        int bonuses = 0;
        for (int i = 0; i < 30; ++i) {
            Dataset expected;
            expected.setConnection(f.db.dm().DBConn(), &f.db.dm().dialect());
            expected.setSql("SELECT * FROM CJB WHERE ID = ?", {i % 3 == 0 ? woman.id : man.id});
            QVERIFY(expected.open() && expected.rowCount() == 1 && expected.edit());
            for (const auto& [box, text] : valuesOf(i))
                expected.setFieldValue(fieldOf[box], text.toDouble());
            // Only the items typed are scored, as in the window.
            for (const auto& [box, text] : valuesOf(i))
                opOf[box](expected);
            QVERIFY(Scoring::RecalcTotals(expected));
            for (const QString& field : kScoredFields) {
                const QVariant stored = f.valueOf(students[i].id, field);
                const QVariant engine = expected.fieldValue(field);
                QVERIFY2(sameCell(stored, engine),
                         qPrintable(QString("student %1 %2: stored %3, engine %4")
                                        .arg(i)
                                        .arg(field, stored.toString(), engine.toString())));
            }
            QVERIFY(f.valueOf(students[i].id, "ZF").toDouble() > 0);
            bonuses += f.valueOf(students[i].id, "JF").toDouble() > 0 ? 1 : 0;
        }
        QVERIFY(bonuses > 0); // the class includes bonus performances
    }

    // 打印, 导出Excel表 and the exchange files are named by year, class and operator.
    void printExcelAndExchange()
    {
        Fixture f(Dialect::Kind::SQLite);
        QVERIFY(f.ok);
        QVERIFY(f.addStudent(f.student("男", "体育1班", "102001")));
        auto w = openWindow(f);
        QVERIFY(w);
        query(*w, kYear, "体育1班");

        w->BPrintClick();
        QCOMPARE(f.ui.previews.size(), 1);
        QProcess p;
        p.start("pdftotext", {"-layout", f.ui.previews[0], "-"});
        p.waitForFinished(60000);
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        for (const char* s : {"北方示范学院", "学生体标测验成绩表_2026_王老师", "共1个", "学生1"})
            QVERIFY2(text.contains(QString::fromUtf8(s)), s);

        w->SpeedButton6Click();
        const QString file = ExcelFolder() + "学生体标测验成绩表_2026_102001_王老师.xlsx";
        QCOMPARE(f.ui.messageTexts().last(), "导出成功!\r\n" + file);
        QString error;
        const std::optional<Sheet> sheet = readWorkbook(file, QString(), &error);
        QVERIFY2(sheet, qPrintable(error));
        QCOMPARE(sheet->rows.size(), 1);

        QCOMPARE(w->exchangeTitle(), QString("体标测验成绩表_2026_体育1班_102001_王老师"));
        const QString exchange = f.env.path("体标测验成绩表_2026_体育1班_102001_王老师_x.XA1");
        f.ui.chooseNextFile(exchange);
        w->BExportClick();
        QVERIFY(QFileInfo::exists(exchange));
        QCOMPARE(f.ui.messageTexts().last(), QString("成功完成导出..."));

        // The file of a class is refused by a window set to all classes.
        w->CBJ->setEditText(QString());
        f.ui.chooseNextFile(exchange);
        w->BImportClick();
        QCOMPARE(f.ui.messageTexts().last(),
                 QString("请选择正确的文件...\r\n应该是“体标测验成绩表_2026_102001_王老师”文件"));
        QVERIFY(w->DBG->isEditing() && w->BOK->isEnabled());
        w->BCanClick();
    }
};

QTEST_MAIN(TestScoreWindow)
#include "tst_score_window.moc"
