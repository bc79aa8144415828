// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "app/menu_builder.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <vector>

namespace frivo {

namespace {

// Names of the toolbar buttons of single actions that carry a design name.
const char* ToolBarButtonName(ActionId action) {
  if (action == ActionId::CaptureNow) return "Button_Capture_Now";
  if (action == ActionId::ZoomAlwaysFit) return "ToolButton_ZoomFit";
  return nullptr;
}

// Icons of the toolbar actions from the style; the rest show their captions.
struct TIconRow {
  ActionId action;
  QStyle::StandardPixmap icon;
};
constexpr TIconRow kIcons[] = {
    {ActionId::FileOpen, QStyle::SP_DialogOpenButton},
    {ActionId::FileSaveAs, QStyle::SP_DialogSaveButton},
    {ActionId::EditCopy, QStyle::SP_FileDialogContentsView},
    {ActionId::Zoom100, QStyle::SP_FileDialogDetailedView},
    {ActionId::ZoomAlwaysFit, QStyle::SP_TitleBarMaxButton},
    {ActionId::Program, QStyle::SP_ComputerIcon},
    {ActionId::ProgramAdd, QStyle::SP_FileDialogNewFolder},
    {ActionId::ProgramForeground, QStyle::SP_TitleBarNormalButton},
    {ActionId::ShowToolBar, QStyle::SP_ToolBarHorizontalExtensionButton},
    {ActionId::ShowStatusBar, QStyle::SP_FileDialogListView},
    {ActionId::ShowHintPopup, QStyle::SP_MessageBoxInformation},
    {ActionId::PlayPlayPause, QStyle::SP_MediaPlay},
    {ActionId::PlaySkip1minBack, QStyle::SP_MediaSkipBackward},
    {ActionId::PlayFrameBack, QStyle::SP_MediaSeekBackward},
    {ActionId::PlayFrameNext, QStyle::SP_MediaSeekForward},
    {ActionId::PlaySkip1minNext, QStyle::SP_MediaSkipForward},
    {ActionId::PlayMute, QStyle::SP_MediaVolume},
    {ActionId::CaptureNow, QStyle::SP_DialogApplyButton},
};

}  // namespace

TMenuMap BuildMenus(QMenuBar* bar, const TActionList& actions) {
  TMenuMap menus;
  QWidget* owner = bar->parentWidget();
  for (const TMenuSpec& entry : PopupMenuSpecs()) {
    auto* menu = new QMenu(owner);
    menu->setObjectName(QString::fromLatin1(entry.name));
    menus.insert(menu->objectName(), menu);
  }
  // Fills `menu` from the items; nested submenus come and go.
  auto fill = [&](QMenu* root, std::span<const TMenuItem> items) {
    std::vector<QMenu*> stack{root};
    for (const TMenuItem& item : items) {
      QMenu* current = stack.back();
      switch (item.kind) {
        case TMenuItem::Kind::kSeparator:
          current->addSeparator();
          break;
        case TMenuItem::Kind::kEnd:
          stack.pop_back();
          break;
        case TMenuItem::Kind::kAction:
          current->addAction(actions[item.action]);
          break;
        case TMenuItem::Kind::kSubmenu: {
          const QString name = QString::fromLatin1(item.name);
          // A submenu that shows one of the pop-ups is that pop-up itself.
          QMenu* sub = name == QLatin1String("MenuItem_ProgramDel")
                           ? menus.value(QStringLiteral("Menu_ProgramDel"))
                           : nullptr;
          if (!sub) {
            sub = new QMenu(current);
            sub->setObjectName(name);
            menus.insert(name, sub);
          }
          if (item.action != ActionId::kCount) {
            QAction* action = actions[item.action];
            sub->setTitle(action->text());
            sub->menuAction()->setStatusTip(action->statusTip());
            sub->menuAction()->setObjectName(QStringLiteral("MenuItem_") + action->objectName());
            // The submenu follows the enabled state of the action that shows it.
            QObject::connect(action, &QAction::enabledChanged, sub->menuAction(),
                             &QAction::setEnabled);
          } else {
            sub->setTitle(QString::fromUtf8(item.caption));
          }
          current->addMenu(sub);
          stack.push_back(sub);
          break;
        }
      }
    }
  };
  for (const TMenuSpec& entry : MainMenuSpecs()) {
    QMenu* menu = bar->addMenu(QString::fromUtf8(entry.caption));
    menu->setObjectName(QString::fromLatin1(entry.name));
    menus.insert(menu->objectName(), menu);
    fill(menu, entry.items);
  }
  for (const TMenuSpec& entry : PopupMenuSpecs())
    fill(menus.value(QString::fromLatin1(entry.name)), entry.items);
  // The default rate is shown in bold.
  QFont bold = actions[ActionId::PlayRate_10]->font();
  bold.setBold(true);
  actions[ActionId::PlayRate_10]->setFont(bold);
  return menus;
}

TToolBars BuildToolBars(QMainWindow* window, QWidget* controlParent, const TActionList& actions,
                        const TMenuMap& menus) {
  TToolBars result;
  for (const TIconRow& row : kIcons)
    actions[row.action]->setIcon(window->style()->standardIcon(row.icon));
  for (const TToolBarSpec& entry : ToolBarSpecs()) {
    const bool main = QLatin1String(entry.name) == QLatin1String("ToolBar_Main");
    auto* bar = new QToolBar(main ? static_cast<QWidget*>(window) : controlParent);
    bar->setObjectName(QString::fromLatin1(entry.name));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(16, 16));
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    for (const TToolItem& item : entry.items) {
      if (item.action == ActionId::kCount) {
        bar->addSeparator();
        continue;
      }
      QAction* action = actions[item.action];
      if (!item.menu) {
        bar->addAction(action);
        // The buttons other parts of the program know by name.
        if (const char* name = ToolBarButtonName(item.action))
          bar->widgetForAction(action)->setObjectName(QString::fromLatin1(name));
        continue;
      }
      auto* button = new QToolButton(bar);
      button->setObjectName(QStringLiteral("ToolButton_") + action->objectName().mid(7));
      button->setDefaultAction(action);
      button->setMenu(menus.value(QString::fromLatin1(item.menu)));
      button->setPopupMode(item.instant ? QToolButton::InstantPopup : QToolButton::MenuButtonPopup);
      button->setAutoRaise(true);
      bar->addWidget(button);
      if (item.action == ActionId::PlayPlayPause) result.playPause = button;
    }
    (main ? result.main : result.control) = bar;
  }
  return result;
}

}  // namespace frivo
