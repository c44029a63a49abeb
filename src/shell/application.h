#pragma once
// The application object. Its notify() is the general failure handler: a
// failure that escapes an event handler is shown (app/failure.h) and the
// program goes on with the next event.
#include <QApplication>

namespace quodlin {

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace quodlin
