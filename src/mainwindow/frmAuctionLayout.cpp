// The window layout: the panes' designed places, the resizers that keep them in place, the two
// splitters, the view window's tack, the favorites pane's place, and the layout in the settings.
#include "mainwindow/frmAuction.h"

#include "layout/BNControl.h"
#include "mainwindow/AddAuctionStrip.h"
#include "mainwindow/AuctionGridPane.h"
#include "mainwindow/BrowserPane.h"
#include "mainwindow/FavoritesPane.h"
#include "mainwindow/FolderTreePane.h"
#include "mainwindow/LogViewsPane.h"
#include "mainwindow/ShortcutBarPane.h"
#include "mainwindow/StatusBarPane.h"
#include "mainwindow/WindowPlacement.h"
#include "platform/SettingsStore.h"
#include "platform/TreeGrid.h"
#include "platform_gui/ListBar.h"
#include "platform_gui/SplitterGrip.h"
#include "platform_gui/WidgetResizable.h"

#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>

namespace {

double gLayoutTwipsPerPixel = 0;

const QString kSection = QStringLiteral("appsettings");

// The designed window (inner size) and its panes, in twips.
constexpr double kDesignWidth = 13500;
constexpr double kDesignHeight = 9750;
constexpr double kShortcutBarWidth = 1620;
constexpr double kShortcutShift = 1680; // the bar and the gap beside it
constexpr double kHeadingHeight = 420;
constexpr double kFolderWidth = 2700;
constexpr double kSplitterThickness = 75;
constexpr double kStatusHeight = 360;
constexpr double kViewTitleHeight = 390;
constexpr double kViewChooserWidth = 3000;
constexpr double kFavoritesWidth = 4000;
constexpr double kFavoritesHeight = 5000;
// A drag stops this far from the window's edges; a position set otherwise (a restored one) may
// come as close as the second value.
constexpr float kDragMargin = 2200;
constexpr float kSplitMargin = 1500;

void place(IResizable &control, double left, double top, double width, double height)
{
    control.setLeft(left);
    control.setTop(top);
    control.setWidth(width);
    control.setHeight(height);
}

std::unique_ptr<BNControl> entry(IResizable &control, bool slideRight, bool stretchRight, bool slideDown,
                                 bool stretchDown)
{
    auto c = std::make_unique<BNControl>();
    c->Init(&control, slideRight, stretchRight, slideDown, stretchDown);
    return c;
}

float readNumber(const QString &key, float fallback)
{
    bool ok = false;
    const float value = SettingsStore::instance().get(kSection, key, QString::number(fallback)).toFloat(&ok);
    return ok && std::isfinite(value) ? value : fallback;
}

void writeNumber(const QString &key, double value)
{
    SettingsStore::instance().set(kSection, key, QString::number(float(value)));
}

// No closer than the margin to either edge; the far edge wins on a window too small for both.
void clampToMargin(float &position, double extent)
{
    if (position < kSplitMargin)
        position = kSplitMargin;
    if (position > float(extent) - kSplitMargin)
        position = float(extent) - kSplitMargin;
}

// Statements whose failure the layout steps skip.
template <typename F> void skipOnError(F &&statement)
{
    try {
        statement();
    } catch (...) {
    }
}

} // namespace

void frmAuction::setLayoutTwipsPerPixel(double twipsPerPixel)
{
    gLayoutTwipsPerPixel = twipsPerPixel;
}

IResizable *frmAuction::layoutControl(const QString &name) const
{
    if (m_windowControl && name == m_windowControl->name())
        return m_windowControl.get();
    for (const auto &control : m_layoutControls) {
        if (control->name() == name)
            return control.get();
    }
    return nullptr;
}

WidgetResizable &frmAuction::ctl(const char *name) const
{
    IResizable *control = layoutControl(QLatin1String(name));
    Q_ASSERT(control);
    return *static_cast<WidgetResizable *>(control);
}

// The view window's title line, the splitters, and the adapters the resizers see.
void frmAuction::buildLayoutControls()
{
    lblAuctionHeader = new QLabel(m_central);
    lblAuctionHeader->setObjectName(QStringLiteral("lblAuctionHeader"));
    lblAuctionHeader->setFrameStyle(QFrame::Panel | QFrame::Raised);
    lblAuctionHeader->setAutoFillBackground(true);

    tbrViewTack = new QToolBar(m_central);
    tbrViewTack->setObjectName(QStringLiteral("tbrViewTack"));
    tbrViewTack->setIconSize(QSize(16, 16));
    m_tackButton = tbrViewTack->addAction(QString());
    connect(m_tackButton, &QAction::triggered, this, &frmAuction::tbrViewTack_ButtonClick);
    setTackKey(QStringLiteral("up"));
    m_tackButton->setToolTip(QStringLiteral("Click to Expand View Window"));

    // The shortcut bar's toggle sits with the window's toolbars, so it stays in reach while the
    // bar is closed.
    addToolBar(Qt::TopToolBarArea, m_shortcutPane->tbrOutlook());

    const auto makeBar = [this](const char *name) {
        auto *bar = new QFrame(m_central);
        bar->setObjectName(QLatin1String(name));
        bar->setFrameStyle(QFrame::Box | QFrame::Plain);
        bar->setStyleSheet(QStringLiteral("background: palette(dark);"));
        bar->setAttribute(Qt::WA_TransparentForMouseEvents);
        bar->hide();
        return bar;
    };
    imgSplitterX = new SplitterGrip(Qt::Vertical, m_central);
    imgSplitterX->setObjectName(QStringLiteral("imgSplitterX"));
    imgSplitterY = new SplitterGrip(Qt::Horizontal, m_central);
    imgSplitterY->setObjectName(QStringLiteral("imgSplitterY"));
    picSplitterX = makeBar("picSplitterX");
    picSplitterY = makeBar("picSplitterY");

    const auto twips = [this](const QPoint &pos, bool horizontal) {
        return float((horizontal ? pos.y() : pos.x()) * m_windowControl->twipsPerPixel());
    };
    connect(imgSplitterX, &SplitterGrip::pressed, this, [this] { imgSplitterX_MouseDown(); });
    connect(imgSplitterX, &SplitterGrip::moved, this,
            [this, twips](const QPoint &pos, bool held) { imgSplitterX_MouseMove(held, twips(pos, false)); });
    connect(imgSplitterX, &SplitterGrip::released, this, [this] { imgSplitterX_MouseUp(); });
    connect(imgSplitterY, &SplitterGrip::pressed, this, [this] { imgSplitterY_MouseDown(); });
    connect(imgSplitterY, &SplitterGrip::moved, this,
            [this, twips](const QPoint &pos, bool held) { imgSplitterY_MouseMove(held, twips(pos, true)); });
    connect(imgSplitterY, &SplitterGrip::released, this, [this] { imgSplitterY_MouseUp(); });

    const double tpp = gLayoutTwipsPerPixel;
    m_windowControl = std::make_unique<WidgetResizable>(this, tpp);
    m_windowControl->setName(QStringLiteral("frmAuction"));
    m_windowControl->setInnerSize(true);
    const struct
    {
        const char *name;
        QWidget *widget;
    } controls[] = {
        {"lbarOutlook", m_shortcutPane},
        {"lblHeading", lblHeading},
        {"fraNewAuction", m_addStrip},
        {"sftFolders", m_folderPane},
        {"imgSplitterX", imgSplitterX},
        {"picSplitterX", picSplitterX},
        {"sftAuctions", m_gridPane},
        {"stsMain", m_statusPane},
        {"imgSplitterY", imgSplitterY},
        {"picSplitterY", picSplitterY},
        {"tbrViewTack", tbrViewTack},
        {"lblAuctionHeader", lblAuctionHeader},
        {"cboView", cboView},
        {"WB", m_browserPane},
        {"sftAuctionLog", m_logPane},
        {"fraFavorites", m_favoritesPane},
        {"lblFavorites", m_favoritesPane->findChild<QLabel *>(QStringLiteral("lblFavorites"))},
        {"cmdCloseFavorites", m_favoritesPane->findChild<QPushButton *>(QStringLiteral("cmdCloseFavorites"))},
        {"sftFavorites", m_favoritesPane->findChild<QTreeWidget *>(QStringLiteral("sftFavorites"))},
    };
    for (const auto &control : controls) {
        Q_ASSERT(control.widget);
        auto adapter = std::make_unique<WidgetResizable>(control.widget, tpp);
        adapter->setName(QLatin1String(control.name));
        m_layoutControls.push_back(std::move(adapter));
    }
    // The favorites follow the page when the browser's own rows change.
    connect(m_browserPane, &BrowserPane::pageAreaChanged, this, &frmAuction::LayoutFavoritesPane);
    // The view window lies over the upper panes' splitter while it is enlarged; the bars shown
    // while dragging lie over everything.
    const QList<QWidget *> onTop = {lblAuctionHeader, tbrViewTack, cboView, m_browserPane, m_logPane, m_favoritesPane};
    for (QWidget *view : onTop)
        view->raise();
}

// The places the panes were designed at, for the designed window size. The resizers move them
// from here on.
void frmAuction::placeDesignedLayout()
{
    m_windowControl->setWidth(kDesignWidth);
    m_windowControl->setHeight(kDesignHeight);
    // The client area's size while the window is not shown yet.
    layout()->invalidate();
    layout()->activate();
    const double tpp = m_windowControl->twipsPerPixel();
    const double width = m_central->width() * tpp;
    const double height = m_central->height() * tpp;

    const double x0 = kShortcutShift;
    const double right = width - x0;
    const double stripWidth = m_addStrip->sizeHint().width() * tpp;
    // The heading line as designed, or higher where the add strip (its box and buttons under
    // the strip's caption) or the heading's text needs more in this style and font.
    const double headingHeight = std::max({kHeadingHeight, std::ceil(m_addStrip->sizeHint().height() * tpp),
                                           std::ceil(lblHeading->sizeHint().height() * tpp)});
    // The view window's title line likewise: its tack button and its chooser whole.
    const auto hinted = [tpp](const QWidget *w, double designed, bool wide) {
        const QSize hint = w->sizeHint();
        return std::max(designed, std::ceil((wide ? hint.width() : hint.height()) * tpp));
    };
    const double viewTitleHeight =
        std::max(hinted(tbrViewTack, kViewTitleHeight, false), hinted(cboView, kViewTitleHeight, false));
    const double tackWidth = hinted(tbrViewTack, viewTitleHeight, true);
    const double upper = height - headingHeight - kStatusHeight - kSplitterThickness - viewTitleHeight;
    // Start-up moves the horizontal splitter 500 twips further down.
    const double gridHeight = std::floor(upper * 0.4) - 500;
    const double statusTop = headingHeight + gridHeight;
    const double splitYTop = statusTop + kStatusHeight;
    const double viewTop = splitYTop + kSplitterThickness;
    const double bodyTop = viewTop + viewTitleHeight;

    place(ctl("lbarOutlook"), 0, 0, kShortcutBarWidth, height);
    place(ctl("lblHeading"), x0, 0, right - stripWidth, headingHeight);
    place(ctl("fraNewAuction"), width - stripWidth, 0, stripWidth, headingHeight);
    place(ctl("sftFolders"), x0, headingHeight, kFolderWidth, gridHeight);
    place(ctl("imgSplitterX"), x0 + kFolderWidth, headingHeight, kSplitterThickness, gridHeight);
    place(ctl("picSplitterX"), x0 + kFolderWidth, headingHeight, kSplitterThickness, gridHeight);
    const double gridLeft = x0 + kFolderWidth + kSplitterThickness;
    place(ctl("sftAuctions"), gridLeft, headingHeight, width - gridLeft, gridHeight);
    place(ctl("stsMain"), x0, statusTop, right, kStatusHeight);
    place(ctl("imgSplitterY"), x0, splitYTop, right, kSplitterThickness);
    place(ctl("picSplitterY"), x0, splitYTop, right, kSplitterThickness);
    place(ctl("tbrViewTack"), x0, viewTop, tackWidth, viewTitleHeight);
    place(ctl("lblAuctionHeader"), x0 + tackWidth, viewTop, right - tackWidth - kViewChooserWidth, viewTitleHeight);
    place(ctl("cboView"), width - kViewChooserWidth, viewTop, kViewChooserWidth, viewTitleHeight);
    place(ctl("WB"), x0, bodyTop, right, height - bodyTop);
    place(ctl("sftAuctionLog"), x0, bodyTop, right, height - bodyTop);

    // The favorites pane's own children, for its designed size; the pane itself has no layout.
    const QWidget *closeFavorites = ctl("cmdCloseFavorites").widget();
    const double closeWidth = hinted(closeFavorites, 300, true);
    const double titleHeight =
        std::max(hinted(closeFavorites, 300, false), hinted(ctl("lblFavorites").widget(), 300, false));
    place(ctl("fraFavorites"), x0, bodyTop, kFavoritesWidth, kFavoritesHeight);
    place(ctl("lblFavorites"), 60, 60, kFavoritesWidth - 180 - closeWidth, titleHeight);
    place(ctl("cmdCloseFavorites"), kFavoritesWidth - 60 - closeWidth, 60, closeWidth, titleHeight);
    place(ctl("sftFavorites"), 60, 120 + titleHeight, kFavoritesWidth - 120, kFavoritesHeight - 180 - titleHeight);
}

void frmAuction::BuildViewWindowLists()
{
    colViewWindow.clear();
    for (const char *name : {"tbrViewTack", "lblAuctionHeader", "cboView", "WB", "sftAuctionLog"})
        colViewWindow << &ctl(name);
    colUpperPanes.clear();
    for (const char *name :
         {"lblHeading", "fraNewAuction", "sftFolders", "sftAuctions", "picSplitterX", "imgSplitterX", "stsMain"})
        colUpperPanes << &ctl(name);
}

void frmAuction::SetupResizers()
{
    rszMain.Init(m_windowControl.get(), BNResizer::FollowSize);
    rszMain.SetRefMinWidth(qint32(ctl("sftAuctions").left() + 100));
    const struct
    {
        const char *name;
        bool slideRight, stretchRight, slideDown, stretchDown;
    } mainEntries[] = {
        {"lblHeading", false, true, false, false},
        {"fraNewAuction", true, false, false, false},
        {"sftFolders", false, false, false, false},
        {"sftAuctions", false, true, false, false},
        {"WB", false, true, false, true},
        {"sftAuctionLog", false, true, false, true},
        {"stsMain", false, true, false, false},
        {"lbarOutlook", false, false, false, true},
        {"tbrViewTack", false, false, false, false},
        {"cboView", true, false, false, false},
        {"lblAuctionHeader", false, true, false, false},
        {"imgSplitterX", false, false, false, false},
        {"picSplitterX", false, false, false, false},
        {"imgSplitterY", false, true, false, false},
        {"picSplitterY", false, true, false, false},
    };
    for (const auto &e : mainEntries)
        rszMain.Add(entry(ctl(e.name), e.slideRight, e.stretchRight, e.slideDown, e.stretchDown));

    rszSplitterX.Init(&ctl("imgSplitterX"), BNResizer::FollowPosition);
    rszSplitterX.Add(entry(ctl("sftAuctions"), true, false, false, false)).ConstrainSlide(true, false);
    rszSplitterX.Add(entry(ctl("sftFolders"), false, true, false, false));

    rszSplitterY.Init(&ctl("imgSplitterY"), BNResizer::FollowPosition);
    const struct
    {
        const char *name;
        bool slideDown, stretchDown, constrain;
    } splitYEntries[] = {
        {"sftFolders", false, true, false},       {"sftAuctions", false, true, false},  {"stsMain", true, false, false},
        {"picSplitterX", false, true, false},     {"imgSplitterX", false, true, false}, {"WB", true, false, true},
        {"sftAuctionLog", true, false, true},     {"tbrViewTack", true, false, false},  {"cboView", true, false, false},
        {"lblAuctionHeader", true, false, false},
    };
    for (const auto &e : splitYEntries) {
        BNControl &c = rszSplitterY.Add(entry(ctl(e.name), false, false, e.slideDown, e.stretchDown));
        if (e.constrain)
            c.ConstrainSlide(false, true);
    }

    rszFavorites.Init(&ctl("fraFavorites"), BNResizer::FollowSize);
    rszFavorites.Add(entry(ctl("cmdCloseFavorites"), true, false, false, false));
    rszFavorites.Add(entry(ctl("lblFavorites"), false, true, false, false));
    rszFavorites.Add(entry(ctl("sftFavorites"), false, true, false, true));
}

void frmAuction::InitResizers()
{
    // One button's width: the toolbar's own hint.
    skipOnError(
        [this] { ctl("tbrViewTack").setWidth(tbrViewTack->sizeHint().width() * ctl("tbrViewTack").twipsPerPixel()); });
    const qint32 overlap =
        qint32(std::lround(ctl("stsMain").top() - (ctl("sftAuctions").top() + ctl("sftAuctions").height())));
    if (overlap < 0) {
        for (const char *name : {"sftAuctions", "sftFolders", "picSplitterX", "imgSplitterX"})
            ctl(name).setHeight(ctl(name).height() + overlap - 15);
        rszSplitterX.Reacquire();
        rszSplitterY.Reacquire();
        mViewOffset = overlap;
    }
}

// The layout's part of start-up, before the window is shown: designed places, the resizers, and
// the horizontal splitter 500 twips down.
void frmAuction::startLayout()
{
    buildLayoutControls();
    BuildViewWindowLists();
    placeDesignedLayout();
    SetupResizers();
    InitResizers();
    m_layoutReady = true;
    IResizable &img = ctl("imgSplitterY");
    IResizable &pic = ctl("picSplitterY");
    img.setTop(img.top() + 500);
    pic.setTop(pic.top() + 500);
    float y = float(pic.top());
    SplitY(y);
}

void frmAuction::SplitY(float &y)
{
    clampToMargin(y, m_windowControl->height());
    ctl("imgSplitterY").setTop(y);
    rszSplitterY.Resize();
    LayoutFavoritesPane();
    rszMain.Reacquire();
    rszSplitterX.Reacquire();
}

void frmAuction::SplitX(float &x)
{
    clampToMargin(x, m_windowControl->width());
    ctl("imgSplitterX").setLeft(x);
    rszSplitterX.Resize();
    rszMain.Reacquire();
    rszSplitterY.Reacquire();
}

// The two splitters alike: vertical is the one between the folder tree and the grid, which
// moves along x.
void frmAuction::splitterMouseDown(bool vertical)
{
    IResizable &img = ctl(vertical ? "imgSplitterX" : "imgSplitterY");
    QFrame *bar = vertical ? picSplitterX : picSplitterY;
    if (vertical)
        place(ctl("picSplitterX"), img.left(), img.top(), std::floor(img.width() / 2), img.height() - 20);
    else
        place(ctl("picSplitterY"), img.left(), img.top(), img.width() - 20, img.height() / 2);
    bar->show();
    bar->raise();
}

void frmAuction::splitterMouseMove(bool vertical, bool buttonHeld, float offset)
{
    QFrame *bar = vertical ? picSplitterX : picSplitterY;
    if (!buttonHeld) {
        bar->hide();
        return;
    }
    IResizable &img = ctl(vertical ? "imgSplitterX" : "imgSplitterY");
    IResizable &pic = ctl(vertical ? "picSplitterX" : "picSplitterY");
    const float extent = float(vertical ? m_windowControl->width() : m_windowControl->height());
    float wanted = float(vertical ? img.left() : img.top()) + offset;
    wanted = qMin(qMax(wanted, kDragMargin), extent - kDragMargin);
    vertical ? pic.setLeft(wanted) : pic.setTop(wanted);
    splitterMouseUp(vertical, false);
}

// Places the panes at the drag bar; a release also hides the bar.
void frmAuction::splitterMouseUp(bool vertical, bool release)
{
    IResizable &pic = ctl(vertical ? "picSplitterX" : "picSplitterY");
    float at = float(vertical ? pic.left() : pic.top());
    if (vertical)
        SplitX(at);
    else
        SplitY(at);
    if (release)
        (vertical ? picSplitterX : picSplitterY)->hide();
}

void frmAuction::imgSplitterX_MouseDown()
{
    splitterMouseDown(true);
}
void frmAuction::imgSplitterX_MouseMove(bool buttonHeld, float x)
{
    splitterMouseMove(true, buttonHeld, x);
}
void frmAuction::imgSplitterX_MouseUp()
{
    splitterMouseUp(true, true);
}
void frmAuction::imgSplitterY_MouseDown()
{
    splitterMouseDown(false);
}
void frmAuction::imgSplitterY_MouseMove(bool buttonHeld, float y)
{
    splitterMouseMove(false, buttonHeld, y);
}
void frmAuction::imgSplitterY_MouseUp()
{
    splitterMouseUp(false, true);
}

void frmAuction::setTackKey(const QString &key)
{
    m_tackButton->setData(key);
    m_tackButton->setIcon(QIcon(QStringLiteral(":/toolbar/tack%1.svg").arg(key)));
}

void frmAuction::ExpandViewWindow()
{
    moveViewWindow(true);
}

void frmAuction::ShrinkViewWindow()
{
    moveViewWindow(false);
}

// Enlarging moves the view window up over the upper panes (its top to just below the heading), hiding
// them; shrinking moves it back by the offset last stored and shows them again.
void frmAuction::moveViewWindow(bool enlarge)
{
    setTackKey(enlarge ? QStringLiteral("down") : QStringLiteral("up"));
    // Up to just below the heading line, where the add strip stays in reach.
    if (enlarge)
        skipOnError([this] {
            IResizable &heading = ctl("lblHeading");
            mViewOffset = qint32(std::lround(heading.top() + heading.height() - ctl("lblAuctionHeader").top()));
        });
    skipOnError([this, enlarge] {
        // 0 leaves the resizer to measure the splitter's own change.
        if (mViewOffset != 0)
            rszSplitterY.YOffsetOverride = enlarge ? mViewOffset : -mViewOffset;
        rszSplitterY.ExclusiveControls(colViewWindow);
        rszSplitterY.Resize();
    });
    for (WidgetResizable *pane : colUpperPanes) {
        if (!pane->name().contains(QLatin1String("Split")) && pane->name() != QLatin1String("fraNewAuction"))
            pane->widget()->setHidden(enlarge);
    }
    skipOnError([this] {
        rszSplitterY.ExclusiveControls();
        rszMain.Reacquire();
        rszSplitterX.Reacquire();
    });
    m_tackButton->setToolTip(enlarge ? QStringLiteral("Click to Shrink View Window")
                                     : QStringLiteral("Click to Expand View Window"));
}

void frmAuction::tbrViewTack_ButtonClick()
{
    if (m_tackButton->data().toString() == QLatin1String("up"))
        ExpandViewWindow();
    else
        ShrinkViewWindow();
    LayoutFavoritesPane();
}

// The favorites lie over the left third of the page, from its top down to just above its
// bottom edge: the browser's toolbar, address box and status line stay in reach.
void frmAuction::LayoutFavoritesPane()
{
    if (!m_layoutReady)
        return;
    IResizable &wb = ctl("WB");
    IResizable &favorites = ctl("fraFavorites");
    const QRect page = m_browserPane->pageArea();
    const double tpp = m_windowControl->twipsPerPixel();
    const double pageTop = wb.top() + page.top() * tpp;
    const double pageBottom = wb.top() + (page.top() + page.height()) * tpp;
    favorites.setTop(pageTop);
    favorites.setWidth(wb.width() * 0.33);
    favorites.setHeight(qMax(0.0, pageBottom - pageTop - 20));
    rszFavorites.Resize();
}

// The shortcut bar was closed or opened: the other panes take or give back its room.
void frmAuction::moveWithShortcutBar(bool visible)
{
    // Closed, the bar's pane goes out of the window with its room.
    m_shortcutPane->setVisible(visible);
    if (!m_layoutReady)
        return;
    const double shift = visible ? kShortcutShift : -kShortcutShift;
    for (const auto &control : m_layoutControls) {
        if (control->widget() && control->widget()->parentWidget() == m_central)
            skipOnError([&] { control->setLeft(control->left() + shift); });
    }
    rszMain.XOffsetOverride = visible ? -qint32(kShortcutShift) : qint32(kShortcutShift);
    Form_Resize();
}

void frmAuction::Form_Resize()
{
    if (!m_layoutReady || isMinimized())
        return;
    // A pane refusing its new size makes rszMain put the window back to its last good size and
    // every pane with it; the notification that write raises is skipped here.
    if (!rszMain.RollingBack()) {
        rszMain.Resize();
        LayoutFavoritesPane();
        rszSplitterX.Reacquire();
        rszSplitterY.Reacquire();
    }
    m_gridPane->auctionGrid().refreshLayout();
    clampAuctionSplit();
}

// The grid's leading part (its first column) keeps a usable width.
void frmAuction::clampAuctionSplit()
{
    TreeGrid &grid = m_gridPane->auctionGrid();
    if (grid.columnCount() < 1)
        return;
    const double width = ctl("sftAuctions").width();
    const float split = m_gridPane->splitPosition();
    if (width > 600) {
        if (split < 300)
            m_gridPane->setSplitPosition(300);
    } else if (width != 0 && split < width / 2) {
        m_gridPane->setSplitPosition(float(width / 2));
    }
}

void frmAuction::SizeWindowToScreen()
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen || !m_layoutReady)
        return;
    const double tpp = m_windowControl->twipsPerPixel();
    const QSize screenPixels(int(screen->size().width() * WidgetResizable::twipsPerPixel(screen) / tpp),
                             int(screen->size().height() * WidgetResizable::twipsPerPixel(screen) / tpp));
    const QSize window(int(m_windowControl->width() / tpp), int(m_windowControl->height() / tpp));
    const QSize wanted = WindowPlacement::sizeForScreen(screenPixels, window);
    if (wanted == window)
        return;
    m_windowControl->setHeight(wanted.height() * tpp);
    m_windowControl->setWidth(wanted.width() * tpp);
    Form_Resize();
}

void frmAuction::SaveLayout()
{
    if (!m_layoutReady)
        return;
    SettingsStore &store = SettingsStore::instance();
    store.set(kSection, QStringLiteral("BrowserBig"),
              m_gridPane->isHidden() ? QStringLiteral("1") : QStringLiteral("0"));
    writeNumber(QStringLiteral("BrowserSplit"), ctl("imgSplitterY").top());
    const bool maximised = isMaximized();
    store.set(kSection, QStringLiteral("ScreenMaximized"), maximised ? QStringLiteral("1") : QStringLiteral("0"));
    if (!maximised) {
        writeNumber(QStringLiteral("ScreenWidth"), m_windowControl->width());
        writeNumber(QStringLiteral("ScreenHeight"), m_windowControl->height());
        // The client area's place, as RestoreLayout puts it back (never one with the title bar off
        // the screens): the desktop's frame is not known before the window is shown.
        const QRect client = WindowPlacement::clientOnScreens(*this);
        const double tpp = m_windowControl->twipsPerPixel();
        writeNumber(QStringLiteral("ScreenLeft"), client.left() * tpp);
        writeNumber(QStringLiteral("ScreenTop"), client.top() * tpp);
    }
    store.set(kSection, QStringLiteral("ShortcutsVisible"),
              m_shortcutPane->lbarOutlook().isHidden() ? QStringLiteral("0") : QStringLiteral("1"));
    writeNumber(QStringLiteral("FolderSplit"), ctl("imgSplitterX").left());
    // Without columns (nobody signed in) and nothing restored there is no split to keep.
    if (m_gridPane->splitPosition() >= 0)
        writeNumber(QStringLiteral("AuctionSplit"), m_gridPane->splitPosition());
    // At shutdown there is nobody left to tell: the next start uses its defaults.
    (void)store.sync();
}

namespace {
// A window manager may drop a maximised state asked for before the window is mapped (the native
// window is made again when the browser's view first shows, and Openbox maps the new one
// unmaximised at the maximised size): just after the show it is asked for once more, from the
// normal place, which the desktop then keeps for the user's restore.
class MaximiseWhenShown : public QObject
{
public:
    MaximiseWhenShown(QWidget *window, const QRect &normal) : QObject(window), m_window(window), m_normal(normal)
    {
        window->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window)
            return false;
        if (event->type() == QEvent::Show) {
            m_shown = true;
            QTimer::singleShot(2000, this, [this] { deleteLater(); });
        } else if (m_shown && event->type() == QEvent::WindowStateChange && !m_window->isMaximized() &&
                   !m_window->isMinimized()) {
            m_window->removeEventFilter(this);
            QTimer::singleShot(0, m_window, [w = m_window, normal = m_normal] {
                // Qt still holds the normal size while the desktop holds the maximised one, so
                // the normal one alone would not be sent.
                w->setGeometry(normal.adjusted(0, 0, 0, -1));
                w->setGeometry(normal);
                w->setWindowState(w->windowState() | Qt::WindowMaximized);
            });
            deleteLater();
        }
        return false;
    }

private:
    QWidget *m_window;
    QRect m_normal;
    bool m_shown = false;
};
} // namespace

void frmAuction::RestoreLayout()
{
    if (!m_layoutReady)
        return;
    SettingsStore &store = SettingsStore::instance();
    const bool big = store.get(kSection, QStringLiteral("BrowserBig"), QStringLiteral("0")) == QLatin1String("1");
    if (big)
        ExpandViewWindow();
    else
        ShrinkViewWindow();

    float split = readNumber(QStringLiteral("BrowserSplit"), float(ctl("imgSplitterY").top()));
    if (!big) {
        ctl("imgSplitterY").setTop(split);
        ctl("picSplitterY").setTop(split);
        SplitY(split);
    }

    // The size and place the window had before it was maximised come back as well, for when the
    // user restores it.
    m_windowControl->setWidth(readNumber(QStringLiteral("ScreenWidth"), float(m_windowControl->width())));
    m_windowControl->setHeight(readNumber(QStringLiteral("ScreenHeight"), float(m_windowControl->height())));
    // The client area's place. A settings file from before held the frame's, which was put back
    // as the client's all the same: it opens where it did.
    const double tpp = m_windowControl->twipsPerPixel();
    const QRect client = geometry();
    // Far off any screen is as good as a million pixels off: putOnScreens brings it back.
    const auto pixels = [tpp](float twips) { return int(std::lround(qBound(-1e6, twips / tpp, 1e6))); };
    const int left = pixels(readNumber(QStringLiteral("ScreenLeft"), float(client.left() * tpp)));
    const int top = pixels(readNumber(QStringLiteral("ScreenTop"), float(client.top() * tpp)));
    // setGeometry places the client area, shown or not; move() places the frame of a window not
    // yet made and the client of one made but not yet framed.
    setGeometry(QRect(QPoint(left, top), client.size()));
    // Only onto a screen there is now; once the desktop has framed the window, its frame.
    WindowPlacement::putOnScreens(*this);
    Form_Resize();
    if (store.get(kSection, QStringLiteral("ScreenMaximized"), QStringLiteral("0")) == QLatin1String("1")) {
        const QRect normal = geometry();
        setWindowState(windowState() | Qt::WindowMaximized);
        if (!isVisible())
            new MaximiseWhenShown(this, normal);
    }
    new WindowPlacement::FrameOnScreen(this);

    if (store.get(kSection, QStringLiteral("ShortcutsVisible"), QStringLiteral("1")) == QLatin1String("0") &&
        !m_shortcutPane->lbarOutlook().isHidden())
        m_shortcutPane->OutlookOff();

    float folderSplit = readNumber(QStringLiteral("FolderSplit"), float(ctl("picSplitterX").left()));
    ctl("picSplitterX").setLeft(folderSplit);
    SplitX(folderSplit);

    // Held by the grid until its columns exist (a user signs in later) and through every refit.
    const float auctionSplit = readNumber(QStringLiteral("AuctionSplit"), -1);
    if (auctionSplit >= 0)
        m_gridPane->setSplitPosition(auctionSplit);
}
