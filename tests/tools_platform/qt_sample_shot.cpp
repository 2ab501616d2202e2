// The screenshot of the sample program.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <functional>
#include <string>

void SaveScreenAfter(int ms, const std::string& path, std::function<void()> then) {
  QTimer::singleShot(ms, [path, then] {
    if (QScreen* screen = QGuiApplication::primaryScreen()) screen->grabWindow(0).save(QString::fromStdString(path));
    then();
  });
}
