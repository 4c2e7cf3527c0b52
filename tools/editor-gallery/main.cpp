// Shows every in-place editor of the grid and its pop-ups in one window, for
// looking at them by eye. "--drop combo" or "--drop date" opens that editor's
// pop-up once the window is up.

#include "CellEditors.h"
#include "Forms.h"
#include "PopupView.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {

QImage swatch(QColor color)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setBrush(color);
    p.setPen(color.darker());
    p.drawEllipse(2, 2, 11, 11);
    return image;
}

// A pop-up shown in place as a plain child, so that all can be seen at once.
template <typename View> View* inlineView(QWidget* parent)
{
    auto* view = new View(parent);
    view->setWindowFlags(Qt::Widget);
    return view;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Application();
    const QStringList args = app.arguments();
    const QString drop = args.indexOf(QStringLiteral("--drop")) >= 0
        ? args.value(args.indexOf(QStringLiteral("--drop")) + 1)
        : QString();

    QWidget window;
    window.setWindowTitle(QStringLiteral("Editor gallery"));
    auto* layout = new QGridLayout(&window);
    int row = 0;
    auto add = [&](const QString& caption, QWidget* editor) {
        layout->addWidget(new QLabel(caption), row, 0);
        editor->setFixedSize(160, 20);
        layout->addWidget(editor, row++, 1);
    };

    auto* text = new TTextualEditor;
    text->SetText(QStringLiteral("Çağrı sıra no"));
    add(QStringLiteral("TTextualEditor"), text);

    auto* preview = new TTextualEditor;
    preview->SetShowPreview(true);
    preview->SetText(QStringLiteral("Lacivert"));
    preview->OnCustomPreviewDraw
        = [preview](TObject*, const TRect& r) { preview->Canvas().FillSolid(r, clNavy); };
    add(QStringLiteral("ShowPreview"), preview);

    auto* button = new TCustomButtonCellEditor;
    button->SetText(QStringLiteral("C:\\kayitlar"));
    add(QStringLiteral("TCustomButtonCellEditor"), button);

    auto* images = new TCustomImageList(&window);
    for (QColor c : { QColor(Qt::red), QColor(Qt::darkGreen), QColor(Qt::blue) })
        images->Add(swatch(c));
    const QStringList items { QStringLiteral("Kırmızı"), QStringLiteral("Yeşil"),
        QStringLiteral("Mavi") };

    auto* combo = new TComboBoxEditor;
    combo->SetItems(items);
    combo->SetItemIndex(1);
    add(QStringLiteral("TComboBoxEditor"), combo);

    auto* comboList = new TComboBoxEditor;
    comboList->SetItems(items);
    comboList->SetImages(images);
    comboList->SetStyle(dsDropDownList);
    comboList->SetItemIndex(2);
    add(QStringLiteral("dsDropDownList, images"), comboList);

    auto* date = new TDatePickerEditor;
    add(QStringLiteral("TDatePickerEditor"), date);

    auto* numeric = new TNumericEditor;
    numeric->SetTextAfter(QStringLiteral(" TL"));
    numeric->SetValue(-1234.5);
    numeric->SetAlignment(taRightJustify);
    add(QStringLiteral("TNumericEditor"), numeric);

    auto* spin = new TSpinEditor;
    spin->SetMax(10);
    spin->SetValue(7);
    add(QStringLiteral("TSpinEditor"), spin);

    auto* check = new TCheckBoxEditor;
    check->SetChecked(true);
    check->SetAlignment(taCenter);
    add(QStringLiteral("TCheckBoxEditor"), check);

    auto* checkGray = new TCheckBoxEditor;
    checkGray->SetGrayed(true);
    checkGray->SetBorderStyle(bsNone);
    add(QStringLiteral("Grayed, bsNone"), checkGray);

    // The pop-ups, in place.
    auto* list = inlineView<TPopupList>(&window);
    list->setFont(text->font());
    QStringList many;
    for (int i = 1; i <= 12; ++i)
        many << QStringLiteral("Hat %1").arg(i);
    list->SetItems(many);
    list->SetImages(images);
    list->SetClientSize(140, 16 * 6);
    list->SetText(QStringLiteral("Hat 3"));
    list->Popup(0, 0);
    list->setFixedSize(list->size());
    layout->addWidget(new QLabel(QStringLiteral("TPopupList")), 0, 2);
    layout->addWidget(list, 1, 2, 5, 1, Qt::AlignTop);

    auto* calendar = inlineView<TDatePopup>(&window);
    calendar->setFont(text->font());
    calendar->SetDate(SysUtils::Date());
    calendar->Popup(0, 0);
    calendar->setFixedSize(calendar->size());
    layout->addWidget(new QLabel(QStringLiteral("TDatePopup")), 0, 3);
    layout->addWidget(calendar, 1, 3, 8, 1, Qt::AlignTop);

    window.show();
    if (drop == QLatin1String("combo"))
        QTimer::singleShot(500, combo, [combo] { combo->DropDown(); });
    else if (drop == QLatin1String("date"))
        QTimer::singleShot(500, date, [date] { date->DropDown(); });
    return app.exec();
}
