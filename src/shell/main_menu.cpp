#include "main_menu.h"

#include "data/dataset.h"
#include "data/services.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

const std::vector<MenuDef>& mainMenuDefinition()
{
    static const std::vector<MenuDef> menu = {
        {"N1",
         "初始数据",
         0,
         nullptr,
         false,
         {
             {"N49", "设置数据库连接", 1, "TFSetCon"},
             {"N50", "-"},
             {"N2", "学院专业管理", 0, "TFxyzy"},
             {"N4", "教师管理", 0, "TFjsgl"},
             {"N5", "学生信息管理", 0, "TFsetxs"},
             {"N3", "课程管理", 0, "TFkcgl"},
             {"N36", "体育部班级管理", 0, "TFxzbgl"},
             {"N6", "-"},
             {"N7", "体重指数字典库", 0, "TFsgtz"},
             {"N8", "体标测验评分标准字典库", 0, "TFtbpc"},
             {"N9", "体育成绩比重库", 0, "TFbzgl"},
             {"N48", "加减分字典库", 0, "TFjjfgl"},
             {"N44", "-"},
             {"N45", "年级类别管理", 0, "TFNJ"},
             {"N52", "指标类别管理", 0, "TFSetZBLB"},
             {"N53", "诊断信息管理", 0, "TFZD"},
             {"N54", "处方信息管理", 0, "TFCF"},
             {"N17", "民族字典库", 0, "TFMz"},
             {"N57", "省份地区表", 0, "TFSetSY"},
         }},
        {"N10",
         "成绩管理",
         0,
         nullptr,
         false,
         {
             {"N40", "学生学期名册管理", 0, "TFxsxqmc"},
             {"N41", "-"},
             {"N11", "日常成绩管理", 0, "TFrccjgl"},
             {"N12", "体标测验成绩管理", 0, "TFtbcjgl"},
             {"N51", "出勤与表现成绩管理", 0, "TFbxcqgl"},
         }},
        {"N58",
         "数据上报",
         0,
         nullptr,
         false,
         {
             {"N59", "班级基本信息表", 0, "TFSetBJB"},
             {"N60", "测试项目信息表", 0, "TFSetCSXMB"},
             {"N61", "学生及体测成绩信息表", 0, "TFQtbcj"},
         }},
        {"N18",
         "统计",
         0,
         nullptr,
         false,
         {
             {"N19", "日常成绩查询统计", 0, "TFrccjtj"},
             {"N20", "体标测验成绩查询统计", 0, "TFQtbcj"},
             {"N16", "出勤与表现成绩查询统计", 0, "TFcqbxcjtj"},
             {"N42", "-"},
             {"N56", "毕业班体标平均成绩查询统计", 0, "TFSettbpjcjtj"},
             {"N55", "-"},
             {"N43", "学期学年成绩查询统计", 0, "TFxqcjtj"},
         }},
        {"N23",
         "法律规则",
         0,
         nullptr,
         false,
         {
             {"N24", "体育法规文件管理", 0, "TFfgwj"},
             {"N25", "裁判规则管理", 0, "TFcpgz"},
         }},
        {"N26",
         "通信",
         1,
         nullptr,
         true,
         {
             {"PDA1", "接收PDA数据", 1},
             {"N27", "发送服务器数据", 1},
             {"N28", "-", 1},
             {"N29", "接收分校数据", 1},
             {"N30", "发送总校数据", 1},
         }},
        {"N21",
         "系统维护",
         0,
         nullptr,
         false,
         {
             {"N34", "操作员管理", 0, "TFczy"},
             {"N47", "口令设置", 0, "TFKlsz"},
             {"N46", "-"},
             {"N33", "数据维护", 0, "TFBR"},
             {"N35", "日志管理", 1, nullptr, true},
             {"N13", "-"},
             {"N14", "转出上报数据", 1, "TFApplyData", true},
         }},
        {"N22",
         "窗口",
         1,
         nullptr,
         false,
         {
             {"N37", "平铺", 0, "tile"},
             {"N38", "层叠", 0, "cascade"},
             {"N39", "排列", 0, "arrange"},
         }},
        {"N15", "帮助", 1, "help"},
        {"N31", "关于", 1, "TFabout"},
        {"N32", "退出系统", 1, "exit"},
    };
    return menu;
}

namespace {
void applyBelow(const QString& rights, QMenu* menu, QString caption)
{
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator())
            caption = action->property("caption").toString();
        action->setEnabled(rights.contains(caption));
        if (QMenu* sub = action->menu())
            applyBelow(rights, sub, caption);
    }
}
} // namespace

void applyRightsText(const QString& rights, QMenuBar* menu)
{
    for (QAction* top : menu->actions()) {
        if (top->property("tag").toInt() == 1)
            continue;
        const QString caption = top->property("caption").toString();
        top->setEnabled(rights.contains(caption));
        if (QMenu* sub = top->menu())
            applyBelow(rights, sub, caption);
    }
}

void ApplyMenuRights(const QString& operNo, QMenuBar* menu, Dataset& QC)
{
    if (!OpenQuery(QC, QStringLiteral("select * from CZYB")) || QC.isEmpty())
        return; // the items keep their state
    QC.first();
    QC.locate(u"JSID", operNo);
    applyRightsText(QC.fieldValue(u"QX").toString(), menu);
}
