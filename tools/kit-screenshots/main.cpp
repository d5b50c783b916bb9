// Renders every dialog and widget of the window and dialog kit with the tool's skin and style
// sheets, and writes one PNG each, so the kit can be looked at without running the tool. The
// export dialog, built on the kit, is rendered too, in English and in Chinese ("_zh").
//
//   kit-screenshots <folder>     (any platform; offscreen works)
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStandardItemModel>
#include <QToolButton>
#include <QTranslator>
#include <QTreeView>
#include <QVBoxLayout>

#include "aptui/aboutdialog.h"
#include "aptui/basedialog.h"
#include "aptui/basetitle.h"
#include "aptui/coverwidget.h"
#include "aptui/filepathbutton.h"
#include "aptui/hintbox.h"
#include "aptui/menu.h"
#include "aptui/multistatelineedit.h"
#include "aptui/pinbutton.h"
#include "aptui/tipdialog.h"
#include "aptui/treeviewwithleftpixmapdelegate.h"
#include "aptui/warningdialog.h"
#include "aptui/widget.h"
#include "aptui/windowtitle.h"
#include "exportdialog/devicesinfosavepage.h"
#include "toolkit/ctableview.h"
#include "toolskin.h"

namespace {

QDir g_out;
int g_failures = 0;

// The widget on a neutral backdrop, as it would sit on a desktop.
void save(QWidget *widget, const QString &name)
{
    widget->show();
    QApplication::processEvents();
    const QPixmap shot = widget->grab();
    const int margin = 16;
    QImage canvas(shot.size() / shot.devicePixelRatio() * shot.devicePixelRatio()
                      + QSize(2 * margin, 2 * margin) * shot.devicePixelRatio(),
                  QImage::Format_ARGB32);
    canvas.setDevicePixelRatio(shot.devicePixelRatio());
    canvas.fill(QColor(0xDD, 0xE2, 0xE8));
    {
        QPainter painter(&canvas);
        painter.drawPixmap(margin, margin, shot);
    }
    const QString path = g_out.filePath(name + QStringLiteral(".png"));
    if (!canvas.save(path)) {
        std::fprintf(stderr, "kit-screenshots: cannot write %s\n", qPrintable(path));
        ++g_failures;
    }
    if (widget->isWindow())
        widget->hide();
}

void dialogs()
{
    {
        aptui::BaseDialog dialog(true, true, true, true, true, true, true, nullptr);
        dialog.setTitle(QStringLiteral("BaseDialog"));
        dialog.titleBar()->setTitleIcon(QApplication::windowIcon());
        dialog.setDefaultText(QStringLiteral("The frame of every dialog: title bar, content and bottom bar."), 10);
        dialog.resize(400, 300);
        save(&dialog, QStringLiteral("basedialog"));
    }
    {
        aptui::BaseDialog box(false, false, false, false, true, false, false, nullptr);
        aptui::setUpHintBox(box, QSize(400, 256), QStringLiteral("Hint"),
                            QStringLiteral("TARN is already running."), false);
        save(&box, QStringLiteral("hintbox_running"));
    }
    {
        aptui::BaseDialog box(false, false, false, false, true, true, true, nullptr);
        aptui::setUpHintBox(box, QSize(400, 256), QStringLiteral("Hint"),
                            QStringLiteral("Display resolution less than 1024*768,are you sure to start the program?"),
                            true);
        save(&box, QStringLiteral("hintbox_resolution"));
    }
    {
        aptui::BaseDialog box(false, false, false, false, true, false, false, nullptr);
        aptui::setUpHintBox(box, QSize(350, 220), QStringLiteral("Hint"),
                            QStringLiteral("No user manual found."), false);
        save(&box, QStringLiteral("hintbox_manual"));
    }
    {
        TarnTool::TipDialog tip;
        tip.resize(350, 220);
        tip.setTitle(QStringLiteral("Exit"));
        tip.setTipText(QStringLiteral("Exit the TARN software?"));
        save(&tip, QStringLiteral("tipdialog"));
    }
    const struct {
        int type;
        const char *text;
        const char *name;
        int height;
    } warnings[] = {
        {0, "Succeed", "warning_ok", 120},
        {1, "Please enter the admin password.", "warning_info", 120},
        {2, "Invalid IPv4 address.", "warning_error", 120},
        {2, "The password must be 8 to 16 characters long and combine at least two of: digits, "
            "lower-case letters, upper-case letters, special characters.", "warning_long", 160},
    };
    for (const auto &w : warnings) {
        TarnTool::WarningDialog box(w.type, QString::fromUtf8(w.text), nullptr);
        box.resize(310, w.height);
        save(&box, QLatin1String(w.name));
    }
}

QWidget *mainWindowMock(aptui::WindowTitle **titleOut)
{
    auto *window = new QWidget;
    window->setObjectName(QStringLiteral("MainWindow"));
    window->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    window->setStyleSheet(QStringLiteral("QWidget#MainWindow { background: #F4F6F9; }"));
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *title = new aptui::WindowTitle(window);
    title->setTitle(QStringLiteral("TARN"));
    title->setIcon(QApplication::windowIcon());
    layout->addWidget(title);

    auto *body = new QHBoxLayout;
    body->setContentsMargins(10, 10, 0, 10);
    auto *view = new OrvoGUIToolkit::CTableView(window);
    auto *model = new QStandardItemModel(0, 4, view);
    model->setHorizontalHeaderLabels({QStringLiteral("No."), QStringLiteral("Device Type"),
                                      QStringLiteral("IPv4 Address"), QStringLiteral("Serial No.")});
    for (int i = 0; i < 6; ++i) {
        model->appendRow({new QStandardItem(QString::number(i + 1)),
                          new QStandardItem(QStringLiteral("NVR-08")),
                          new QStandardItem(QStringLiteral("192.168.1.%1").arg(64 + i)),
                          new QStandardItem(QStringLiteral("TN2026%1").arg(1000 + i))});
    }
    view->setModel(model);
    view->setItemDelegate(new aptui::TreeViewWithLeftPixmapDelegate(view));
    view->setCurrentIndex(model->index(2, 0));
    view->selectionModel()->select(model->index(2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    body->addWidget(view, 1);
    auto *pin = new aptui::PinButton(window);
    pin->setObjectName(QStringLiteral("m_pUnSpreadButton"));
    body->addWidget(pin, 0, Qt::AlignVCenter);
    auto *panel = new QWidget(window);
    panel->setObjectName(QStringLiteral("panel"));
    panel->setFixedWidth(240);
    panel->setStyleSheet(QStringLiteral("QWidget#panel { background: #FFFFFF; border-left: 1px solid #D5DCE4; }"));
    pin->setBuddy(panel);
    body->addWidget(panel);
    layout->addLayout(body, 1);
    window->resize(900, 420);
    *titleOut = title;
    return window;
}

void titleAndMenus()
{
    aptui::WindowTitle *title = nullptr;
    QScopedPointer<QWidget> window(mainWindowMock(&title));
    save(window.data(), QStringLiteral("mainwindow_kit"));

    // Maximised: the restore icon; shown on a window that is really maximised.
    auto *max = title->findChild<QToolButton *>(QStringLiteral("m_btnMaximize"));
    window->show();
    title->maxOrRestoreWindow();
    QApplication::processEvents();
    save(title, QStringLiteral("windowtitle_maximised"));
    title->maxOrRestoreWindow();
    Q_UNUSED(max);

    // The cover over the window, with a hint box above it.
    window->resize(900, 420);
    window->show();
    QApplication::processEvents();
    auto *cover = new aptui::CoverWidget(window.data());
    cover->setGeometry(window->rect());
    cover->show();
    cover->raise();
    save(window.data(), QStringLiteral("cover"));
    delete cover;

    aptui::Menu menu;
    menu.addAction(QStringLiteral("Language"));
    aptui::Menu *sub = menu.addMenu(QStringLiteral("Skin"));
    sub->addAction(QStringLiteral("CommonSkin"));
    menu.addSeparator();
    auto *about = new AboutDialog(&menu);
    menu.addAction(about);
    menu.popup(QPoint(100, 100));
    QApplication::processEvents();
    save(&menu, QStringLiteral("systemmenu_about"));
    menu.hide();
}

void smallWidgets()
{
    QWidget page;
    page.setObjectName(QStringLiteral("page"));
    page.setStyleSheet(QStringLiteral("QWidget#page { background: #FFFFFF; }"));
    auto *form = new QFormLayout(&page);
    form->setContentsMargins(20, 20, 20, 20);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(10);
    const struct {
        const char *label;
        const char *text;
        aptui::MultiStateLineEdit::State state;
        int kind;
    } rows[] = {
        {"IPv4 Address", "192.168.1.64", aptui::MultiStateLineEdit::NORMAL, -1},
        {"Subnet Mask", "255.255.0.256", aptui::MultiStateLineEdit::ERROR, 2},
        {"Gateway", "", aptui::MultiStateLineEdit::TIP, 1},
    };
    for (const auto &row : rows) {
        auto *line = new QHBoxLayout;
        auto *edit = new aptui::MultiStateLineEdit(&page);
        edit->setText(QLatin1String(row.text));
        edit->setMinimumWidth(220);
        edit->setLineEditState(row.state);
        auto *hint = new QLabel(&page);
        hint->setFixedSize(16, 16);
        const QString icon = TarnTool::WarningDialog::smallIconPath(row.kind);
        if (!icon.isEmpty())
            hint->setPixmap(QIcon(icon).pixmap(QSize(16, 16)));
        line->addWidget(edit);
        line->addWidget(hint);
        form->addRow(QLatin1String(row.label), line);
    }
    auto *pathLine = new QHBoxLayout;
    auto *path = new QLineEdit(QStringLiteral("/home/installer/keys"), &page);
    auto *folder = new aptui::FilePathButton(&page);
    folder->setFixedSize(28, 26);
    auto *disabledFolder = new aptui::FilePathButton(&page);
    disabledFolder->setFixedSize(28, 26);
    disabledFolder->setEnabled(false);
    pathLine->addWidget(path);
    pathLine->addWidget(folder);
    pathLine->addWidget(disabledFolder);
    form->addRow(QStringLiteral("Save To"), pathLine);

    auto *barsLine = new QHBoxLayout;
    const QString bars = QStringLiteral(":/CommonSkin/Password/Images/Public/Control/Password/");
    for (const char *bar : {"red.png", "yellow.png", "green.png", "grey.png"}) {
        auto *label = new QLabel(&page);
        label->setPixmap(QIcon(bars + QLatin1String(bar)).pixmap(QSize(65, 6)));
        barsLine->addWidget(label);
    }
    barsLine->addSpacing(6);
    barsLine->addWidget(new QLabel(QStringLiteral("Medium"), &page));
    barsLine->addStretch();
    form->addRow(QStringLiteral("Strength"), barsLine);

    auto *icons = new QHBoxLayout;
    const QString tool = QStringLiteral(":/CommonSkin/TARNTool/Images/TARNTool/");
    for (const char *name : {"ParamModify/icon_not_activated.png", "ParamModify/icon_abnormal.png",
                             "ParamModify/icon_import.png", "BaseControl/Inputs/icon_alert_ok.png",
                             "SystemInfo/logo_large.png"}) {
        auto *label = new QLabel(&page);
        const QPixmap pixmap(tool + QLatin1String(name));
        label->setPixmap(QIcon(tool + QLatin1String(name)).pixmap(pixmap.size()));
        icons->addWidget(label);
    }
    for (bool right : {false, true}) {
        auto *pin = new aptui::PinButton(&page);
        if (right)
            pin->setStyleSheet(aptui::PinButton::rightStyle());
        icons->addWidget(pin);
    }
    icons->addStretch();
    form->addRow(QStringLiteral("Icons"), icons);
    auto *buttons = new QHBoxLayout;
    auto *confirm = new QPushButton(QStringLiteral("Confirm"), &page);
    confirm->setObjectName(QStringLiteral("btnConfirm"));
    buttons->addWidget(confirm);
    buttons->addWidget(new QPushButton(QStringLiteral("Cancel"), &page));
    auto *disabled = new QPushButton(QStringLiteral("Modify"), &page);
    disabled->setEnabled(false);
    buttons->addWidget(disabled);
    buttons->addStretch();
    form->addRow(QString(), buttons);
    page.resize(520, 330);
    save(&page, QStringLiteral("smallwidgets"));
}

// The export dialog filled in, and with the file name refused, in the installed language.
void exportDialog(const QString &suffix)
{
    QStandardItemModel table;
    {
        TarnTool::DevicesInfoSavePage page(&table);
        page.findChild<QLineEdit *>(QStringLiteral("m_lineEditFilename"))->setText(QStringLiteral("devices"));
        page.findChild<QLineEdit *>(QStringLiteral("m_lineEditFilepath"))
            ->setText(QDir::toNativeSeparators(QStringLiteral("/home/installer/exports/")));
        save(&page, QStringLiteral("exportdialog") + suffix);
    }
    {
        // What a refused save leaves: the field and its hint icon marked as the warning box does.
        TarnTool::DevicesInfoSavePage page(&table);
        auto *name = page.findChild<aptui::MultiStateLineEdit *>(QStringLiteral("m_lineEditFilename"));
        name->setLineEditState(aptui::MultiStateLineEdit::ERROR);
        page.findChild<QLabel *>(QStringLiteral("m_labelHintFileName"))
            ->setPixmap(QIcon(TarnTool::WarningDialog::smallIconPath(TarnTool::WarningDialog::WarnError))
                            .pixmap(QSize(16, 16)));
        page.findChild<QLineEdit *>(QStringLiteral("m_lineEditFilepath"))
            ->setText(QDir::toNativeSeparators(QStringLiteral("/home/installer/exports/")));
        save(&page, QStringLiteral("exportdialog_error") + suffix);
    }
}

void exportDialogs()
{
    exportDialog(QString());
    QTranslator chinese;
    if (!chinese.load(QStringLiteral("tarntool_zh.qm"), QStringLiteral(TARN_TRANSLATIONS_DIR))) {
        std::fprintf(stderr, "kit-screenshots: tarntool_zh.qm not found in %s\n", TARN_TRANSLATIONS_DIR);
        ++g_failures;
        return;
    }
    QCoreApplication::installTranslator(&chinese);
    exportDialog(QStringLiteral("_zh"));
    QCoreApplication::removeTranslator(&chinese);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fprintf(stderr, "usage: kit-screenshots <folder>\n");
        return 2;
    }
    g_out.setPath(app.arguments().at(1));
    if (!QDir().mkpath(g_out.path()))
        return 1;
    if (!applyToolSkin(QStringLiteral(TARN_SKIN_DIR)))
        std::fprintf(stderr, "kit-screenshots: the CommonSkin plug-in was not found; icons will be missing\n");

    dialogs();
    titleAndMenus();
    smallWidgets();
    exportDialogs();
    std::printf("kit-screenshots: wrote %s\n", qPrintable(g_out.path()));
    return g_failures == 0 ? 0 : 1;
}
