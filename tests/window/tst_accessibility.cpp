// What a screen reader finds: Japanese names for every control that takes
// input or shows a result, and the results as text.
#include "window_test_support.h"

#include <QAccessible>
#include <QAccessibleInterface>

using namespace testing;

namespace {
QAccessibleInterface *accessible(QWidget *widget) {
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
    if (!iface) {
        qFatal("no accessible interface for %s", qPrintable(widget->objectName()));
    }
    return iface;
}
} // namespace

class TestAccessibility : public WindowTest {
    Q_OBJECT
private slots:
    void init() { open(); }
    void cleanup() { form.reset(); }

    void names_data();
    void names();
    void resultsAreReadAsText();
};

void TestAccessibility::names_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("role");
    QTest::newRow("cboGengo") << "cboGengo"
                              << "元号" << int(QAccessible::ComboBox);
    QTest::newRow("textNen") << "textNen"
                             << "年" << int(QAccessible::EditableText);
    QTest::newRow("textShitei") << "textShitei"
                                << "指定年" << int(QAccessible::EditableText);
    QTest::newRow("Option1") << "Option1"
                             << "今年の誕生日で" << int(QAccessible::RadioButton);
    QTest::newRow("Option2") << "Option2"
                             << "下記の年では" << int(QAccessible::RadioButton);
    QTest::newRow("lblGengo") << "lblGengo"
                              << "元号" << int(QAccessible::StaticText);
    QTest::newRow("lblNen") << "lblNen"
                            << "年" << int(QAccessible::StaticText);
    QTest::newRow("lbl9sei") << "lbl9sei"
                             << "九星" << int(QAccessible::StaticText);
    QTest::newRow("lbleto") << "lbleto"
                            << "干支" << int(QAccessible::StaticText);
    QTest::newRow("lblkana") << "lblkana"
                             << "読み" << int(QAccessible::StaticText);
    QTest::newRow("lblnenrei") << "lblnenrei"
                               << "年齢" << int(QAccessible::StaticText);
    QTest::newRow("Image1") << "Image1"
                            << "十二支の絵" << int(QAccessible::Client);
    QTest::newRow("Frame1") << "Frame1"
                            << "何歳？" << int(QAccessible::Grouping);
}

void TestAccessibility::names() {
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(int, role);
    QAccessibleInterface *iface = accessible(testing::control(*form, qPrintable(control)));
    QCOMPARE(iface->text(QAccessible::Name), name);
    QCOMPARE(int(iface->role()), role);
}

void TestAccessibility::resultsAreReadAsText() {
    list->setCurrentIndex(0);
    QTest::keyClicks(control(*form, "textNen"), "1989");
    const QList<QPair<const char *, QString>> values{
        {"lblGengo", "平成"},         {"lblNen", "元"},
        {"lbl9sei", "二黒土星"},      {"lbleto", "己巳"},
        {"lblkana", "つちのと み  "}, {"lblnenrei", QString::number(thisYear() - 1989)},
        {"textNen", "1989"},          {"cboGengo", "西暦"}};
    for (const auto &[name, value] : values) {
        QCOMPARE(accessible(control(*form, name))->text(QAccessible::Value), value);
    }
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
