#include "ui/prodtest/station_tile.h"

#include "ui/common/named_widgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

#include "text/elapsed_text.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/common/ui_font.h"

namespace zt::ui {

using namespace zt::literals;

namespace {

constexpr int kPortFontPixels = 14;
constexpr int kStateFontPixels = 22;
constexpr int kTextFontPixels = 12;
constexpr int kTileWidth = 230;

}  // namespace

StationTile::StationTile(const QString& port_label, QWidget* parent)
    : QFrame(parent), port_label_(port_label) {
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Raised);
  setLineWidth(2);
  setAutoFillBackground(true);
  setMinimumWidth(kTileWidth);

  port_ = Named(new QLabel(port_label, this), "tilePort");
  QFont port_font = CjkFont(kPortFontPixels);
  port_font.setBold(true);
  port_->setFont(port_font);
  state_label_ = Named(new QLabel(this), "tileState");
  QFont state_font = CjkFont(kStateFontPixels);
  state_font.setBold(true);
  state_label_->setFont(state_font);
  state_label_->setWordWrap(true);
  elapsed_ = Named(new QLabel(this), "tileElapsed");
  identity_ = Named(new QLabel(this), "tileIdentity");
  identity_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  counts_ = Named(new QLabel(this), "tileCounts");
  for (QLabel* label : {elapsed_, identity_, counts_}) label->setFont(CjkFont(kTextFontPixels));

  start_ = Named(new QPushButton(Qs("开始"_gbk), this), "tileStart");
  stop_ = Named(new QPushButton(Qs("停止"_gbk), this), "tileStop");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(start_);
  buttons->addWidget(stop_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(port_);
  layout->addWidget(state_label_);
  layout->addWidget(elapsed_);
  layout->addWidget(identity_);
  layout->addWidget(counts_);
  layout->addStretch(1);
  layout->addLayout(buttons);

  connect(start_, &QPushButton::clicked, this, &StationTile::startClicked);
  connect(stop_, &QPushButton::clicked, this, &StationTile::stopClicked);
  Show(StationSnapshot{}, false);
}

void StationTile::Show(const StationSnapshot& s, bool running) {
  state_ = s.state;
  running_ = running;
  state_label_->setText(QsEscaped(s.StateText()));
  elapsed_->setText(Qs("用时: "_gbk) + QString::fromStdString(ElapsedText(s.elapsed)));
  const auto or_dash = [](const std::string& gbk) {
    return gbk.empty() ? QStringLiteral("-") : QsEscaped(gbk);
  };
  identity_->setText(QStringLiteral("IMEI: ") + or_dash(s.imei) + QLatin1Char('\n') + Qs("产品编号: "_gbk) +
                     or_dash(s.product_number));
  counts_->setText(Qs(UnitTallyText(s.passed, s.failed)));

  QPalette palette = parentWidget() != nullptr ? parentWidget()->palette() : QPalette();
  if (s.state == StationState::kPassed) {
    palette.setColor(QPalette::Window, PassedColour());
  } else if (s.state == StationState::kFailed) {
    palette.setColor(QPalette::Window, FailedColour());
  }
  setPalette(palette);
  UpdateButtons();
}

void StationTile::SetButtonsAllowed(bool allowed) {
  allowed_ = allowed;
  UpdateButtons();
}

void StationTile::UpdateButtons() {
  start_->setEnabled(allowed_ && !running_);
  stop_->setEnabled(allowed_ && running_);
}

QString StationTile::StateText() const { return state_label_->text(); }

QColor StationTile::Background() const { return palette().color(QPalette::Window); }

}  // namespace zt::ui
