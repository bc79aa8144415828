// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "launcher/program_menus.h"

#include <QAction>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMenu>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

#include "launcher/desktop_entry.h"
#include "launcher/launcher_paths.h"

namespace frivo {

namespace {

constexpr char kMissingProperty[] = "frivoProgramMissing";

// Draws a menu item whose program is missing in the disabled text colour, the way
// the menu shows a greyed item, without disabling it.
class TProgramMenuStyle : public QProxyStyle {
 public:
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    const auto* menu = qobject_cast<const QMenu*>(widget);
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element == CE_MenuItem && menu && item && !(item->state & State_Selected)) {
      const QAction* action = menu->actionAt(item->rect.center());
      if (action && action->property(kMissingProperty).toBool()) {
        QStyleOptionMenuItem grey(*item);
        const QColor text = grey.palette.color(QPalette::Disabled, QPalette::Text);
        grey.palette.setColor(QPalette::Text, text);
        grey.palette.setColor(QPalette::ButtonText, text);
        grey.palette.setColor(QPalette::WindowText, text);
        QProxyStyle::drawControl(element, &grey, painter, widget);
        return;
      }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
  }
};

// A desktop entry shows the icon its Icon= line names; anything else, and an
// entry whose icon is not found, the icon the desktop shows for the file.
QIcon ProgramIcon(const QString& path, const QFileInfo& info) {
  if (info.isFile() && IsDesktopEntry(path)) {
    const QIcon icon = DesktopEntryIcon(ReadDesktopEntry(path).icon);
    if (!icon.isNull()) return icon;
  }
  return QFileIconProvider().icon(info);
}

}  // namespace

QString LiteralCaption(const QString& text) {
  QString caption = text;
  return caption.replace(u'&', QStringLiteral("&&"));
}

QAction* AddProgramItem(QMenu* menu, const QString& path) {
  QAction* item = menu->addAction(LiteralCaption(FileNamePart(path)));
  item->setData(path);
  item->setStatusTip(path);
  item->setToolTip(path);
  RefreshProgramItem(item);
  return item;
}

void RefreshProgramItem(QAction* item) {
  const QString path = ItemPath(item);
  const QFileInfo info(path);
  item->setProperty(kMissingProperty, !info.exists());
  item->setIcon(ProgramIcon(path, info));
}

QString ItemPath(const QObject* item) {
  const auto* action = qobject_cast<const QAction*>(item);
  return action ? action->data().toString() : QString();
}

void UseProgramMenuStyle(QMenu* menu) {
  if (menu->property("frivoProgramStyle").toBool()) return;
  menu->setProperty("frivoProgramStyle", true);
  auto* style = new TProgramMenuStyle;
  style->setParent(menu);
  menu->setStyle(style);
  // A program deleted or installed while the menu was closed shows as it is now.
  QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] {
    for (QAction* item : menu->actions()) {
      if (item->property(kMissingProperty).isValid()) RefreshProgramItem(item);
    }
  });
}

}  // namespace frivo
