// Small helpers the pages build their widgets with.
#pragma once

#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QString>
#include <QWidget>

namespace zt::ui {

// The widget with its object name (the tests find widgets by it).
template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// A short field that takes digits only (a threshold, seconds).
inline QLineEdit* DigitsEdit(const char* name, QWidget* parent) {
  constexpr int kNumberEditWidth = 60;
  auto* edit = Named(new QLineEdit(parent), name);
  edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
  edit->setMaximumWidth(kNumberEditWidth);
  return edit;
}

}  // namespace zt::ui
