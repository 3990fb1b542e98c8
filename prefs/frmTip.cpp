#include "prefs/frmTip.h"

#include "store/files.h"
#include "store/form_routines.h"
#include "store/paths.h"
#include "store/settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kTipFile = QStringLiteral("TIPOFDAY.TXT");
const QString kSection = QStringLiteral("General Properties");
const QString kShowTipsKey = QStringLiteral("Show Tips at Startup");
const QString kCurrentTipKey = QStringLiteral("Current Tip");

QPixmap lightBulb(int size) {
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);
    QRadialGradient glass(20, 15, 18);
    glass.setColorAt(0, QColor(0xff, 0xfb, 0xd6));
    glass.setColorAt(1, QColor(0xf5, 0xc8, 0x2a));
    QPainterPath bulb;
    bulb.moveTo(17, 32);
    bulb.cubicTo(17, 27, 9, 24, 9, 16);
    bulb.cubicTo(9, 8, 16, 3, 24, 3);
    bulb.cubicTo(32, 3, 39, 8, 39, 16);
    bulb.cubicTo(39, 24, 31, 27, 31, 32);
    bulb.closeSubpath();
    p.setPen(QPen(QColor(0x9a, 0x74, 0x10), 1.5));
    p.setBrush(glass);
    p.drawPath(bulb);
    p.setPen(QPen(QColor(0xc0, 0x8a, 0x10), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(
        QPolygonF({QPointF(20, 31), QPointF(21, 19), QPointF(24, 22), QPointF(27, 19), QPointF(28, 31)}));
    p.setPen(QPen(QColor(0x55, 0x55, 0x5a), 1));
    p.setBrush(QColor(0xa8, 0xab, 0xb2));
    p.drawRoundedRect(QRectF(17, 32, 14, 9), 2, 2);
    p.drawLine(QPointF(17, 35), QPointF(31, 35));
    p.drawLine(QPointF(17, 38), QPointF(31, 38));
    p.setBrush(QColor(0x55, 0x55, 0x5a));
    p.drawEllipse(QRectF(21, 41, 6, 4));
    return picture;
}

}  // namespace

frmTip::frmTip(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmTip"));
    setWindowTitle(QStringLiteral("Morvane- Tip of the Day"));
    setWindowIcon(QIcon(lightBulb(32)));
    QFrame* panel = createTipPanel();
    QLayout* buttons = createButtons();
    createTipOMatic();
    layOut(panel, buttons);
    connectHandlers();
    // Shown without a modal loop at start-up, it must not vanish behind the browser.
    store::SetTopMost(this, true);
    Form_Load();
}

// A bulb, a heading and the tip, on a light background.
QFrame* frmTip::createTipPanel() {
    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setAutoFillBackground(true);
    QPalette light = panel->palette();
    light.setColor(QPalette::Window, QColor(0xff, 0xfd, 0xf0));
    light.setColor(QPalette::WindowText, QColor(0x20, 0x20, 0x20));
    panel->setPalette(light);
    auto* bulb = new QLabel(panel);
    bulb->setPixmap(lightBulb(48));
    bulb->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    auto* heading = new QLabel(tr("Did you know..."), panel);
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.35);
    heading->setFont(headingFont);
    lblTipText =
        new QLabel(QStringLiteral("The Morvane is a Code Library that runs as an add-in to Visual Basic, "
                                  "or as a standalone application."),
                   panel);
    lblTipText->setObjectName(QStringLiteral("lblTipText"));
    lblTipText->setTextFormat(Qt::PlainText);
    lblTipText->setWordWrap(true);
    lblTipText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblTipText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblTipText->setMinimumHeight(96);
    m_tipCaption = new QLabel(tr("Tip"), panel);
    m_tipCaption->setVisible(false);  // until there is a number to go with it
    lblCurrentTip = new QLabel(panel);
    lblCurrentTip->setObjectName(QStringLiteral("lblCurrentTip"));
    auto* number = new QHBoxLayout;
    number->addStretch(1);
    number->addWidget(m_tipCaption);
    number->addWidget(lblCurrentTip);
    auto* panelText = new QVBoxLayout;
    panelText->addWidget(heading);
    panelText->addWidget(lblTipText, 1);
    panelText->addLayout(number);
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->addWidget(bulb, 0, Qt::AlignTop);
    panelLayout->addLayout(panelText, 1);

    return panel;
}

QLayout* frmTip::createButtons() {
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdNextTip = new QPushButton(QStringLiteral("&Next Tip"), this);
    cmdNextTip->setObjectName(QStringLiteral("cmdNextTip"));
    cmdPreviousTip = new QPushButton(QStringLiteral("&Previous Tip"), this);
    cmdPreviousTip->setObjectName(QStringLiteral("cmdPreviousTip"));
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdNextTip);
    buttons->addWidget(cmdPreviousTip);
    buttons->addStretch(1);

    return buttons;
}

// The check boxes and the Tip-O-Matic row with its timer.
void frmTip::createTipOMatic() {
    chkLoadTipsAtStartup = new QCheckBox(QStringLiteral("&Show Tips at Startup"), this);
    chkLoadTipsAtStartup->setObjectName(QStringLiteral("chkLoadTipsAtStartup"));
    chkTipOMatic = new QCheckBox(QStringLiteral("Tip-O-Matic"), this);
    chkTipOMatic->setObjectName(QStringLiteral("chkTipOMatic"));

    fraTipOMatic = new QFrame(this);
    fraTipOMatic->setObjectName(QStringLiteral("fraTipOMatic"));
    pgbTipOMatic = new QProgressBar(fraTipOMatic);
    pgbTipOMatic->setObjectName(QStringLiteral("pgbTipOMatic"));
    pgbTipOMatic->setTextVisible(false);
    pgbTipOMatic->setRange(0, m_period);
    pgbTipOMatic->setValue(0);
    lblSeconds = new QLabel(QString::number(m_period) + QStringLiteral(" Secs."), fraTipOMatic);
    lblSeconds->setObjectName(QStringLiteral("lblSeconds"));
    cmdFasterSlower[0] = new QPushButton(tr("&Faster"), fraTipOMatic);
    cmdFasterSlower[1] = new QPushButton(tr("Slo&wer"), fraTipOMatic);
    auto* automatic = new QHBoxLayout(fraTipOMatic);
    automatic->setContentsMargins(0, 0, 0, 0);
    automatic->addWidget(pgbTipOMatic, 1);
    automatic->addWidget(lblSeconds);
    for (int i = 0; i < 2; ++i) {
        cmdFasterSlower[i]->setObjectName(QStringLiteral("cmdFasterSlower_%1").arg(i));
        cmdFasterSlower[i]->setAutoDefault(false);
        automatic->addWidget(cmdFasterSlower[i]);
        connect(cmdFasterSlower[i], &QPushButton::clicked, this, [this, i] { cmdFasterSlower_Click(i); });
    }
    // The window keeps its size while Tip-O-Matic comes and goes.
    QSizePolicy keepRoom = fraTipOMatic->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    fraTipOMatic->setSizePolicy(keepRoom);
    fraTipOMatic->setVisible(false);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
}

void frmTip::layOut(QFrame* panel, QLayout* buttons) {
    auto* grid = new QGridLayout(this);
    grid->addWidget(panel, 0, 0, 1, 2);
    grid->addLayout(buttons, 0, 2);
    grid->addWidget(chkLoadTipsAtStartup, 1, 0);
    grid->addWidget(chkTipOMatic, 1, 1, Qt::AlignRight);
    grid->addWidget(fraTipOMatic, 2, 0, 1, 3);
    grid->setColumnStretch(0, 1);
    resize(500, 250);
}

void frmTip::connectHandlers() {
    connect(cmdOK, &QPushButton::clicked, this, &frmTip::cmdOK_Click);
    connect(cmdNextTip, &QPushButton::clicked, this, &frmTip::cmdNextTip_Click);
    connect(cmdPreviousTip, &QPushButton::clicked, this, &frmTip::cmdPreviousTip_Click);
    // Toggled, not clicked: setting the box from the stored value runs the handler too, as the
    // loading flag expects.
    connect(chkLoadTipsAtStartup, &QCheckBox::toggled, this, &frmTip::chkLoadTipsAtStartup_Click);
    connect(chkTipOMatic, &QCheckBox::toggled, this, &frmTip::chkTipOMatic_Click);
    connect(Timer1, &QTimer::timeout, this, &frmTip::Timer1_Timer);
}

frmTip::~frmTip() {
    if (!m_unloaded) Form_Unload();
}

QString frmTip::tipFilePath() {
    return store::programFolder() + QStringLiteral("/") + kTipFile;
}

void frmTip::Form_Load() {
    m_loading = true;
    chkLoadTipsAtStartup->setChecked(store::Val(store::GetSetting(store::generalAppName(), kSection,
                                                                  kShowTipsKey, QStringLiteral("1"))) != 0);
    m_loading = false;

    if (!LoadTips(tipFilePath())) {
        lblTipText->setText(QStringLiteral("That the ") + kTipFile + QStringLiteral(" file was not found? ") +
                            QStringLiteral("\r\n\r\n") + QStringLiteral("Create a text file named ") +
                            kTipFile + QStringLiteral(" using NotePad with 1 tip per line. ") +
                            QStringLiteral("Then place it in the same directory as the application. "));
        return;
    }
    const double stored = store::Val(
        store::GetSetting(store::generalAppName(), kSection, kCurrentTipKey, QStringLiteral("9999")));
    // A hand-edited negative index would leave the window blank until stepped past; start over instead.
    if (stored > m_tips.size() || stored < 0) {
        m_currentTip = 1;
    } else {
        m_currentTip = int(stored);
        DoNextTip();
    }
}

void frmTip::Form_Unload() {
    m_unloaded = true;
    Timer1->stop();
    store::SaveSetting(store::generalAppName(), kSection, kCurrentTipKey, QString::number(m_currentTip));
}

void frmTip::done(int result) {
    Form_Unload();
    QDialog::done(result);
}

void frmTip::showEvent(QShowEvent* event) {
    m_unloaded = false;
    QDialog::showEvent(event);
}

bool frmTip::LoadTips(const QString& path) {
    if (path.isEmpty() || !store::FileExists(path)) return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QString text = QString::fromUtf8(file.readAll());
    m_tips.clear();
    if (!text.isEmpty()) {
        // The last line needs no line break of its own.
        if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
        for (QString line : text.split(QLatin1Char('\n'))) {
            if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
            m_tips << line;
        }
    }
    DoNextTip();
    return true;
}

void frmTip::DisplayCurrentTip() {
    if (m_tips.isEmpty() || m_currentTip <= 0 || m_currentTip > m_tips.size()) return;
    lblTipText->setText(m_tips.at(m_currentTip - 1));
    lblCurrentTip->setText(QString::number(m_currentTip));
    m_tipCaption->setVisible(true);
}

void frmTip::DoNextTip() {
    ++m_currentTip;
    if (m_currentTip > m_tips.size()) {
        beep();
        m_currentTip = 1;
    }
    DisplayCurrentTip();
}

void frmTip::cmdNextTip_Click() {
    DoNextTip();
}

void frmTip::cmdPreviousTip_Click() {
    --m_currentTip;
    if (m_currentTip < 1) {
        beep();
        m_currentTip = 1;
    }
    DisplayCurrentTip();
}

void frmTip::cmdOK_Click() {
    accept();
}

void frmTip::chkLoadTipsAtStartup_Click() {
    if (m_loading) return;
    store::SaveSetting(store::generalAppName(), kSection, kShowTipsKey,
                       chkLoadTipsAtStartup->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void frmTip::chkTipOMatic_Click() {
    const bool on = chkTipOMatic->isChecked();
    if (on) {
        Timer1->setInterval(1000);
        pgbTipOMatic->setMaximum(m_period);
        pgbTipOMatic->setValue(0);
        Timer1->start();
    } else {
        Timer1->stop();
    }
    fraTipOMatic->setVisible(on);
    pgbTipOMatic->setVisible(on);
    lblSeconds->setVisible(on);
    for (QPushButton* button : cmdFasterSlower) button->setVisible(on);
}

void frmTip::cmdFasterSlower_Click(int index) {
    const bool running = Timer1->isActive();
    Timer1->stop();
    if (index == 0) {
        if (m_period <= 1)
            beep();
        else
            --m_period;
    } else if (index == 1) {
        ++m_period;
    }
    // A shorter period may leave the bar past its end: the current round is over then.
    if (pgbTipOMatic->value() >= m_period) pgbTipOMatic->setValue(0);
    pgbTipOMatic->setMaximum(m_period);
    if (pgbTipOMatic->value() < 0) pgbTipOMatic->setValue(0);
    lblSeconds->setText(QString::number(m_period) + QStringLiteral(" Secs."));
    if (running) Timer1->start();
}

void frmTip::Timer1_Timer() {
    pgbTipOMatic->setValue(pgbTipOMatic->value() + 1);
    if (pgbTipOMatic->value() >= pgbTipOMatic->maximum()) {
        DoNextTip();
        pgbTipOMatic->setValue(0);
    }
}

void frmTip::beep() {
    ++m_beeps;
    QApplication::beep();
}
