// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "platform/termination.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <cerrno>
#include <csignal>

namespace frivo {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
// How often a close waits for dialogs' loops to return, and for how long at
// most: a loop that does not end (a drag under way) must not keep the program.
constexpr int kRetryMs = 10;
constexpr int kMaxRetries = 300;

// [0] is read by the UI thread, [1] written by the signal handler.
int signalPipe[2] = {-1, -1};
// Written by the signal handler, read by the UI thread.
std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "used in a signal handler");

QPointer<QWidget>& Target() {
  static QPointer<QWidget> target;
  return target;
}

QSocketNotifier*& Notifier() {
  static QSocketNotifier* notifier = nullptr;
  return notifier;
}

void OnSignal(int) {
  const int savedErrno = errno;
  requested.store(true);
  // Only async-signal-safe calls here. A full socket already holds a pending close.
  const char byte = 1;
  const ssize_t written = ::write(signalPipe[1], &byte, 1);
  (void)written;
  errno = savedErrno;
}

// Closes open menus and rejects the modal dialogs that are up, topmost first:
// a message box, a file dialog, the version dialog. Each one's loop returns to
// the code that opened it. True when there was anything to dismiss.
bool DismissModalDialogs() {
  bool dismissed = false;
  for (int guard = 0; guard < 16; ++guard) {
    QWidget* popup = QApplication::activePopupWidget();
    if (!popup) break;
    popup->close();
    dismissed = true;
  }
  for (int guard = 0; guard < 16; ++guard) {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) break;
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    } else {
      modal->close();
    }
    if (QApplication::activeModalWidget() == modal) modal->hide();
    dismissed = true;
  }
  return dismissed;
}

// Closes the window once no menu or dialog is up, a moment after the last was
// dismissed: its loop returns first to the code that opened it, which carries
// on and must not find its window already closed (the media closed under it).
void CloseWhenUnwound(int retries) {
  const bool dismissed = DismissModalDialogs();
  QWidget* window = Target();
  if (!window) return;
  const bool pending =
      dismissed || QApplication::activeModalWidget() || QApplication::activePopupWidget();
  if (pending && retries < kMaxRetries) {
    QTimer::singleShot(kRetryMs, window, [retries] { CloseWhenUnwound(retries + 1); });
    return;
  }
  window->close();
}

}  // namespace

void InstallTerminationSignals() {
  if (signalPipe[0] >= 0) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, signalPipe) != 0) {
    signalPipe[0] = signalPipe[1] = -1;
    return;
  }
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // Every one of the signals waits while the handler runs for another.
  for (const int signal : kSignals) sigaddset(&action.sa_mask, signal);
  action.sa_flags = SA_RESTART;
  for (const int signal : kSignals) sigaction(signal, &action, nullptr);
}

bool TerminationRequested() {
  return requested.load();
}

void CloseOnTerminationSignals(QWidget* window) {
  InstallTerminationSignals();
  if (signalPipe[0] < 0) return;
  Target() = window;
  if (!Notifier()) {
    // Owned by the application, so it outlives the window and still drains the
    // socket while the window is destroyed.
    Notifier() = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(Notifier(), &QSocketNotifier::activated, qApp, [] {
      char bytes[16];
      while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
      }
      CloseWhenUnwound(0);
    });
  }
  if (window && TerminationRequested()) QTimer::singleShot(0, window, [] { CloseWhenUnwound(0); });
}

}  // namespace frivo
