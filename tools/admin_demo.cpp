// A complete demo installation: configuration, embedded database, master data, operators, the
// national standard tables and one term of fitness-test score rows.

#include "admin_common.h"

#include "app/config.h"
#include "app/passwords.h"
#include "data/data_module.h"
#include "fitness/standard_data.h"
#include "shell/main_menu.h"

#include <QDir>

#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <functional>

namespace {
struct Teacher
{
    int id;
    const char* name;
    const char* sex;
    const char* role;
    const char* password;
};

const Teacher kTeachers[] = {
    {102001, "王建国", "男", "教师", "wang2026"},
    {102002, "李秀英", "女", "教师", "li2026"},
    {102003, "张志强", "男", "主任", "zhang2026"},
    {102004, "刘芳", "女", "办公室", "liu2026"},
};

struct Major
{
    const char* college;
    const char* department;
    const char* major;
    const char* discipline;
    const char* shortName; // for class names
};

const Major kMajors[] = {
    {"文学院", "中文系", "汉语言文学", "文科", "中文"},
    {"文学院", "外语系", "英语", "文科", "英语"},
    {"理学院", "数学系", "数学与应用数学", "理科", "数学"},
    {"理学院", "物理系", "应用物理学", "理科", "物理"},
    {"工学院", "计算机系", "计算机科学与技术", "工科", "计科"},
    {"工学院", "土木系", "土木工程", "工科", "土木"},
};

// Every menu caption, each followed by ";" (the rights of the director and the office).
QString allRights()
{
    QString rights;
    const std::function<void(const std::vector<MenuDef>&)> walk =
        [&](const std::vector<MenuDef>& items) {
            for (const MenuDef& m : items) {
                if (QByteArray(m.caption) != "-")
                    rights += QString::fromUtf8(m.caption) + u';';
                walk(m.children);
            }
        };
    walk(mainMenuDefinition());
    return rights;
}

// A teacher types and looks up scores.
QString teacherRights()
{
    return QStringLiteral("成绩管理;日常成绩管理;体标测验成绩管理;出勤与表现成绩管理;统计;"
                          "日常成绩查询统计;体标测验成绩查询统计;出勤与表现成绩查询统计;"
                          "法律规则;体育法规文件管理;裁判规则管理;");
}

class Inserter
{
public:
    explicit Inserter(QSqlDatabase db) : m_db(db) {}
    bool run(const QString& sql, const QVariantList& values)
    {
        QSqlQuery q(m_db);
        if (!q.prepare(sql))
            return fail(q);
        for (const QVariant& v : values)
            q.addBindValue(v);
        return q.exec() || fail(q);
    }
    QString error() const { return m_error; }
    QSqlDatabase database() const { return m_db; }
    bool fail(const QString& why)
    {
        m_error = why;
        return false;
    }

private:
    bool fail(const QSqlQuery& q) { return fail(q.lastError().text()); }
    QSqlDatabase m_db;
    QString m_error;
};

// The demo term and its school year (the calendar year of the spring term).
constexpr int kTerm = 202609;
constexpr int kSchoolYear = 2027;
// Students of one PE class in the score table.
constexpr int kClassSize = 30;

// Fitness-test score rows as the roster's generation makes them: the first students in classes
// of kClassSize, one class per PE class in the order of the classes, each row marked with the
// items the student is to be tested in ("-1" in the grade column) and the fitness-test weight.
bool fillScoreRows(Inserter& in, int students)
{
    const auto s = [](const char* t) { return QString::fromUtf8(t); };
    QSqlQuery weight(in.database());
    if (!weight.exec(QStringLiteral("SELECT BZ FROM BZB WHERE Mark = '2' AND NJBZ = '12'")) ||
        !weight.next())
        return in.fail(QStringLiteral("no fitness-test weight in BZB"));
    const double bz = weight.value(0).toDouble();
    const int attendanceCategory = 3; // BZB row 出勤与表现 of the first and second year
    QSqlQuery classes(in.database());
    if (!classes.exec(QStringLiteral("SELECT MC, JSID FROM XZBB ORDER BY ID")))
        return in.fail(classes.lastError().text());
    QList<std::pair<QString, int>> classList;
    while (classes.next())
        classList.append({classes.value(0).toString(), classes.value(1).toInt()});
    QSqlQuery pupils(in.database());
    if (!pupils.exec(QStringLiteral("SELECT ID, XM, XB FROM XSB ORDER BY ID")))
        return in.fail(pupils.lastError().text());

    const QStringList grades = {QStringLiteral("QMPJ"), QStringLiteral("YTPJ"),
                                QStringLiteral("BBPJ"), QStringLiteral("YWPJ"),
                                QStringLiteral("WSPJ"), QStringLiteral("TYPJ"),
                                QStringLiteral("QQPJ")};
    QHash<int, int> serials; // per teacher
    for (int i = 0; i < students && i / kClassSize < classList.size() && pupils.next(); ++i) {
        const auto& [className, teacher] = classList[i / kClassSize];
        const bool male = pupils.value(2).toString() == s("男");
        const QString key = QStringLiteral("%1.%2.%3")
                                .arg(teacher)
                                .arg(kTerm)
                                .arg(++serials[teacher], 4, 10, QLatin1Char('0'));
        QVariantList values = {key,
                               pupils.value(0),
                               pupils.value(1),
                               pupils.value(2),
                               teacher,
                               s("否"),
                               className,
                               kTerm,
                               kSchoolYear,
                               attendanceCategory,
                               QStringLiteral("12"),
                               bz,
                               0.0,
                               s("不及格")};
        const QVariant tested = QStringLiteral("-1");
        values << (male ? tested : QVariant()) << (male ? tested : QVariant()) // QM, YT
               << (male ? QVariant() : tested) << (male ? QVariant() : tested) // BB, YW
               << tested << tested << tested;                                  // WS, TY, QQ
        if (!in.run(QStringLiteral("INSERT INTO CJB (ID, XH, XSXM, XB, JSID, MS, XZBMC, XQ, XN, "
                                   "LBID, NJBZ, BZ, TBDF, DJ, %1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, "
                                   "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                        .arg(grades.join(QStringLiteral(", "))),
                    values))
            return false;
    }
    return true;
}

bool fillMasterData(Inserter& in, int students)
{
    const auto s = [](const char* t) { return QString::fromUtf8(t); };

    // Colleges with their majors below them.
    int id = 1;
    QString lastCollege;
    int collegeId = 0;
    for (const Major& m : kMajors) {
        if (lastCollege != s(m.college)) {
            lastCollege = s(m.college);
            collegeId = id++;
            if (!in.run("INSERT INTO XYZYB (ID, PID, XY, ZY, X, KN, CC) VALUES (?, 0, ?, NULL, "
                        "NULL, NULL, NULL)",
                        {collegeId, lastCollege}))
                return false;
        }
        if (!in.run("INSERT INTO XYZYB (ID, PID, XY, ZY, X, KN, CC) VALUES (?, ?, ?, ?, ?, ?, ?)",
                    {id++, collegeId, s(m.college), s(m.major), s(m.department), s(m.discipline),
                     s("本科")}))
            return false;
    }

    int operId = 501001;
    for (const Teacher& t : kTeachers) {
        if (!in.run("INSERT INTO JSB (ID, XM, XB, BYYX, ZY, XL, XW, ZC) VALUES (?, ?, ?, ?, ?, ?, "
                    "?, ?)",
                    {t.id, s(t.name), s(t.sex), s("北方体育学院"), s("体育教育"), s("本科"),
                     s("学士"), s("讲师")}))
            return false;
        if (!in.run(
                "INSERT INTO CZYB (ID, PID, ZW, JSID, JSXM, KL, QX) VALUES (?, 0, ?, ?, ?, ?, ?)",
                {operId++, s(t.role), t.id, s(t.name),
                 HashPassword(QString::fromLatin1(t.password)),
                 QByteArray(t.role) == "教师" ? teacherRights() : allRights()}))
            return false;
    }

    const char* courses[][2] = {{"篮球", "基础课"}, {"足球", "基础课"},   {"排球", "选修课"},
                                {"武术", "选修课"}, {"健美操", "基础课"}, {"保健体育", "保健课"}};
    int course = 101001;
    for (const auto& c : courses) {
        if (!in.run("INSERT INTO KCB (ID, KCBM, LBID, KCMC, JSID, JS, XN, XQ, KCLB) VALUES (?, ?, "
                    "1, ?, ?, ?, 2027, 202609, ?)",
                    {course, QStringLiteral("PE%1").arg(course - 101000, 3, 10, QLatin1Char('0')),
                     s(c[0]), kTeachers[(course - 101001) % 2].id,
                     s(kTeachers[(course - 101001) % 2].name), s(c[1])}))
            return false;
        if (!in.run("INSERT INTO XZBB (ID, MC, JSID, JSXM, KCID, KC, XN, XQ) VALUES (?, ?, ?, ?, "
                    "?, ?, 2027, 202609)",
                    {course - 101001 + 103001, s(c[0]) + s("1班"),
                     kTeachers[(course - 101001) % 2].id, s(kTeachers[(course - 101001) % 2].name),
                     QString::number(course - 101000), s(c[0])}))
            return false;
        ++course;
    }

    const struct
    {
        const char* kind;
        const char* content;
        double weight;
        const char* mark;
        const char* group;
    } weights[] = {
        // Mark 2 is the fitness-test weight, 3 the attendance weight.
        {"基础课", "日常成绩", 0.3, "1", "12"},   {"基础课", "体质测试", 0.5, "2", "12"},
        {"基础课", "出勤与表现", 0.2, "3", "12"}, {"选修课", "日常成绩", 0.5, "1", "34"},
        {"选修课", "体质测试", 0.3, "2", "34"},   {"选修课", "出勤与表现", 0.2, "3", "34"},
    };
    int weightId = 1;
    for (const auto& w : weights) {
        if (!in.run(
                "INSERT INTO BZB (ID, KB, NR, BZ, SSNJ, Mark, NJBZ) VALUES (?, ?, ?, ?, ?, ?, ?)",
                {weightId++, s(w.kind), s(w.content), w.weight,
                 s(QByteArray(w.group) == "12" ? "大一大二" : "大三大四"), s(w.mark), s(w.group)}))
            return false;
    }

    const char* grades[][2] = {{"1", "一年级"},   {"1A", "一年级上"}, {"1B", "一年级下"},
                               {"2", "二年级"},   {"2A", "二年级上"}, {"2B", "二年级下"},
                               {"34", "三四年级"}};
    int gradeId = 1;
    for (const auto& g : grades) {
        if (!in.run("INSERT INTO NJB (ID, BM, DYNJ) VALUES (?, ?, ?)",
                    {gradeId++, s(g[0]), s(g[1])}))
            return false;
    }
    const char* nations[][2] = {{"01", "汉族"}, {"02", "蒙古族"},   {"03", "回族"},
                                {"04", "藏族"}, {"05", "维吾尔族"}, {"06", "苗族"},
                                {"07", "彝族"}, {"08", "壮族"}};
    for (const auto& n : nations) {
        if (!in.run("INSERT INTO tNation (DM, MC) VALUES (?, ?)", {s(n[0]), s(n[1])}))
            return false;
    }

    const QStringList surnames =
        s("王 李 张 刘 陈 杨 黄 赵 吴 周 徐 孙 马 朱 胡 郭 何 高 林 罗").split(u' ');
    const QStringList given =
        s("伟 芳 娜 敏 静 丽 强 磊 军 洋 勇 艳 杰 娟 涛 明 超 秀 霞 平 刚 桂 英 华").split(u' ');
    for (int i = 0; i < students; ++i) {
        const Major& m = kMajors[i % std::size(kMajors)];
        const bool male = i % 2 == 0;
        const QString name = surnames[i % surnames.size()] + given[(i * 7) % given.size()] +
                             (i % 3 ? given[(i * 11 + 5) % given.size()] : QString());
        const int classNo = 1 + (i / std::size(kMajors)) % 2;
        if (!in.run(
                "INSERT INTO XSB (ID, XM, XB, MZ, CSNR, BZK, XZ, XY, X, ZY, NJ, BJ, BH, SF, ZX) "
                "VALUES (?, ?, ?, ?, ?, ?, 4, ?, ?, ?, 2026, ?, ?, ?, ?)",
                {QStringLiteral("2026%1").arg(i + 1, 5, 10, QLatin1Char('0')), name,
                 male ? s("男") : s("女"), s(nations[i % 17 == 0 ? 2 : 0][1]),
                 QStringLiteral("2007%1").arg(1 + i % 12, 2, 10, QLatin1Char('0')), s("本科"),
                 s(m.college), s(m.department), s(m.major),
                 s(m.shortName) + QStringLiteral("26") + QString::number(classNo) + s("班"),
                 QStringLiteral("26%1%2").arg(i % std::size(kMajors)).arg(classNo), s("河北"),
                 s("是")}))
            return false;
    }
    return true;
}

bool fillDemo(QSqlDatabase db, int students, QString* error)
{
    Inserter in(db);
    const bool ok = fillMasterData(in, students) && fillScoreRows(in, students);
    if (!ok)
        *error = in.error();
    return ok;
}
} // namespace

int runDemoCommand(const QStringList& words)
{
    const AdminArgs args(words, {QStringLiteral("--dir"), QStringLiteral("--students")});
    const auto dir = args.value(QStringLiteral("--dir"));
    bool numeric = true;
    const int students =
        args.value(QStringLiteral("--students")).value_or(QStringLiteral("300")).toInt(&numeric);
    if (!args.ok() || !dir || !numeric || students < 0) {
        printErr(args.ok() ? QStringLiteral("usage: orvane-admin demo --dir DIR [--students N]")
                           : args.error());
        return kExitUsage;
    }
    QDir().mkpath(*dir);
    const QString database = QStringLiteral("OrvaneDemo");
    if (QFileInfo::exists(QDir(*dir).filePath(database + QStringLiteral(".db")))) {
        printErr(QStringLiteral("%1 already holds a demo database; remove it first").arg(*dir));
        return kExitFailed;
    }
    if (!WriteConfigFile(*dir, {{"XDBName", database},
                                {"DanWeiDaiMa", "10001"},
                                {"DanWeiMingCheng", QStringLiteral("北方示范学院")},
                                {"DBType", "SQLite"},
                                {"SuperOperPassword", "orvane-super"}})) {
        printErr(QStringLiteral("cannot write the configuration into %1").arg(*dir));
        return kExitFailed;
    }
    const auto dm = openInstallation(*dir);
    if (!dm)
        return kExitFailed;
    QSqlDatabase db = dm->DBConn();
    db.transaction();
    QString standard, error;
    if (!loadShippedStandard(db, ShippedStandardFolder(), &standard, &error) ||
        !fillDemo(db, students, &error)) {
        db.rollback();
        printErr(QStringLiteral("demo data could not be written: %1").arg(error));
        return kExitFailed;
    }
    if (!db.commit()) {
        printErr(QStringLiteral("demo data could not be written: %1").arg(db.lastError().text()));
        return kExitFailed;
    }
    printOut(QStringLiteral("Demo installation in %1 (%2 students).")
                 .arg(QDir(*dir).absolutePath())
                 .arg(students));
    printOut(QStringLiteral("Operators (number, name, position, password):"));
    for (const Teacher& t : kTeachers)
        printOut(QStringLiteral("  %1  %2  %3  %4")
                     .arg(t.id)
                     .arg(QString::fromUtf8(t.name), QString::fromUtf8(t.role),
                          QString::fromLatin1(t.password)));
    printOut(QStringLiteral("Super operator password: orvane-super"));
    return kExitOk;
}
