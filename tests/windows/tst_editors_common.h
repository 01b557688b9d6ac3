// What the editor tests share: a fresh store with the shared connection open,
// recorded message boxes, the two editors described side by side, and the
// checks every refill must pass.
#pragma once

#include "editors/frmCapitole.h"
#include "editors/frmDictionar.h"
#include "platform/Toolkit.h"
#include "resources/Resources.h"
#include "store/Global.h"
#include "support/EndProgramRecorder.h"
#include "support/MsgBoxDouble.h"
#include "support/TempStore.h"
#include "support/WindowDriver.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace edtest {

using namespace tarvix;
using tarvix::test::TempStore;

using tarvix::test::Box;
using tarvix::test::click;
using tarvix::test::items;
using tarvix::test::type;
using tarvix::test::whileShown;

// The values by which the two editors differ, as a user meets them.
struct Info {
    bool words;
    QString table, keyField, textField;
    int maxLength;
    QString blankText, blankTitle, duplicateText;
    QString deleteQuestion(const QString& text) const
    {
        return words
                   ? QStringLiteral("Sunteti sigur cã doriti sã stergeti cuvântul '") + text
                         + QStringLiteral("' din dictionar împreunã cu toate referintele lui la capitole ?")
                   : QStringLiteral("Sunteti sigur cã doriti sã stergeti capitolul '") + text
                         + QStringLiteral("' din baza de date împreunã cu toate referintele lui la anumite cuvinte ?");
    }
};

inline Info info(bool words)
{
    if (words)
        return {true,
                "tblDictionar",
                "ID_Cuvant",
                "Cuvant",
                25,
                "Nu ati introdus cuvântul. Salvarea a fost anulatã !",
                "Cuvânt vid.",
                "Acest cuvânt existã deja în dictionar !"};
    return {false,
            "tblCapitol",
            "ID_Capitol",
            "Capitol",
            40,
            "Nu ati introdus numele capitolului. Salvarea a fost anulatã !",
            "Capitol vid.",
            "Acest capitol existã deja în baza de date !"};
}

// One row for each editor: column "words".
inline void bothEditors()
{
    QTest::addColumn<bool>("words");
    QTest::newRow("capitole") << false;
    QTest::newRow("dictionar") << true;
}

// Rows for each editor, adding and modifying: columns "words" and "modify".
inline void editorAndModeRows()
{
    QTest::addColumn<bool>("words");
    QTest::addColumn<bool>("modify");
    for (bool words : {false, true})
        for (bool modify : {false, true})
            QTest::addRow("%s %s", words ? "dictionar" : "capitole", modify ? "modify" : "add") << words << modify;
}

inline std::unique_ptr<Editor> make(bool words)
{
    if (words)
        return std::make_unique<frmDictionar>();
    return std::make_unique<frmCapitole>();
}

class Session : public tarvix::test::MsgBoxDouble, public tarvix::test::EndProgramRecorder {
public:
    std::optional<TempStore> store;

    void install()
    {
        InitResources();
        InstallLook();
    }

    void open(int busyTimeoutMs = 5000)
    {
        store.emplace();
        DBEngine::BusyTimeoutMs = busyTimeoutMs;
        Global::db = DBEngine().OpenDatabase(QString::fromUtf8(kStoreFileName));
        DBEngine::BusyTimeoutMs = 5000;
        clearBoxes();
        clearEnds();
    }

    // An error that reached the toolkit's boundary is a failure of the test that caused it.
    QString close()
    {
        QString failure;
        if (endedWith)
            failure = QStringLiteral("an unhandled error ended the program: ")
                      + (boxes.empty() ? QString() : boxes.back().text);
        ResetAfterError();
        Global::db.reset();
        store.reset();
        return failure;
    }

    std::int32_t add(const Info& in, const QString& text)
    {
        return in.words ? store->addWord(text) : store->addChapter(text);
    }

    QStringList stored(const Info& in)
    {
        return store->column(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(in.textField, in.table, in.keyField));
    }
};

// After every fill: the table's texts in Romanian order, each item keeping
// its row's key, the first selected, the count equal to the items and the
// row buttons enabled exactly when there are items. Empty when all hold.
inline QString listProblems(Editor& e, Session& s, const Info& in)
{
    QStringList expected = s.stored(in);
    std::stable_sort(expected.begin(), expected.end(), RomanianLess);
    const QStringList shown = items(e.List1);
    if (shown != expected)
        return QStringLiteral("list %1, table %2").arg(shown.join('|'), expected.join('|'));
    for (std::int16_t i = 0; i < e.List1.ListCount(); ++i) {
        const auto keys =
            s.store->column(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = '%4'")
                                .arg(in.keyField, in.table, in.textField, QString(shown[i]).replace('\'', "''")));
        if (keys.size() != 1 || keys[0].toInt() != e.List1.ItemData(i))
            return QStringLiteral("item %1 keeps %2, its row's key is %3")
                .arg(shown[i])
                .arg(e.List1.ItemData(i))
                .arg(keys.join(','));
    }
    if (e.List1.ListIndex() != (shown.isEmpty() ? -1 : 0))
        return QStringLiteral("selected %1").arg(e.List1.ListIndex());
    if (e.Label2.Caption() != QString::number(shown.size()))
        return QStringLiteral("count reads %1 for %2 items").arg(e.Label2.Caption()).arg(shown.size());
    const bool any = !shown.isEmpty();
    if (e.Command2.Enabled() != any || e.Command5.Enabled() != any)
        return QStringLiteral("Modify/Delete enabled %1/%2 with %3 items")
            .arg(e.Command2.Enabled())
            .arg(e.Command5.Enabled())
            .arg(shown.size());
    if (in.words && e.control<CommandButton>("Command7").Enabled() != any)
        return QStringLiteral("Links enabled wrongly with %1 items").arg(shown.size());
    if (in.words && any && e.Text1.Text() != shown.first())
        return QStringLiteral("word box shows %1, first word %2").arg(e.Text1.Text(), shown.first());
    return {};
}

// Which of the three states the controls show; empty when they match none of the tables.
inline QString stateOf(Editor& e, bool words)
{
    const bool links = words ? e.control<CommandButton>("Command7").Enabled() : false;
    const bool editing = !e.List1.Enabled() && !e.Text1.Locked() && !e.Command1.Enabled() && !e.Command2.Enabled()
                         && e.Command3.Enabled() && e.Command4.Enabled() && !e.Command5.Enabled() && !links
                         && e.Command6.Enabled();
    if (editing && e.Command3.Default() && !e.Command1.Default())
        return QStringLiteral("adding");
    if (editing && e.Command1.Default() && !e.Command3.Default())
        return QStringLiteral("modifying");
    if (e.List1.Enabled() && e.Text1.Locked() && e.Command1.Enabled() && !e.Command3.Enabled() && !e.Command4.Enabled()
        && e.Command6.Enabled() && e.Command1.Default())
        return QStringLiteral("browsing");
    return {};
}

}  // namespace edtest
