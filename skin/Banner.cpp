#include "Banner.h"

#include "BannerModule.h"
#include "Seams.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QLoggingCategory>
#include <QOpenGLContext>
#include <QVBoxLayout>
#include <dlfcn.h>
#include <unistd.h>

// Qt's own: the context every OpenGL context of the process may share with (QOpenGLContext::globalShareContext).
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace {

QString& ModulePathForTests() {
    static QString path;
    return path;
}

void OpenAddress(const QString& address) {
    seams::ShellOpen(address);
}

QOpenGLContext* gShareContext = nullptr;

void DeleteShareContext() {
    delete gShareContext;
    gShareContext = nullptr;
}

// The web engine hands its pictures to the window through an OpenGL context it shares with every other.
// Loaded before the application object exists, the engine makes that context itself as the application
// starts; loaded later, as here, it finds none, says so on the terminal and draws without the graphics
// card. So the context is made here, as the engine would, just before the engine is loaded: only a run
// that shows the band pays for it, and after the window is on the screen.
void PrepareShareContext() {
    if (QOpenGLContext::globalShareContext() != nullptr) {
        return; // the engine was loaded before the application object (a test program that links it)
    }
    gShareContext = new QOpenGLContext;
    gShareContext->setFormat(QSurfaceFormat::defaultFormat());
    gShareContext->create(); // without OpenGL (offscreen) the engine draws in software, as it always does there
    qt_gl_set_global_share_context(gShareContext);
    qAddPostRoutine(DeleteShareContext);
}

// The module's entry, loaded once per file for the life of the process (the web engine cannot be unloaded);
// null when the file is missing or does not load, which is said once on stderr.
KeyshelfCreateBanner LoadModule(const QString& path) {
    static QHash<QString, KeyshelfCreateBanner> loaded;
    if (auto it = loaded.constFind(path); it != loaded.constEnd()) {
        return it.value();
    }
    KeyshelfCreateBanner create = nullptr;
    if (QFile::exists(path)) {
        PrepareShareContext();
    }
    // Local binding: nothing of the module or the engine is seen by the program's own lookups.
    if (void* handle = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) {
        create = reinterpret_cast<KeyshelfCreateBanner>(::dlsym(handle, kBannerEntryName));
        if (create == nullptr) {
            qWarning("The banner stays blank: %s has no entry %s.", qPrintable(path), kBannerEntryName);
        }
    } else {
        qWarning("The banner stays blank: %s", ::dlerror());
    }
    loaded.insert(path, create);
    return create;
}

} // namespace

Banner* Banner::In(QWidget* wbBanner) {
    if (auto* existing = wbBanner->findChild<Banner*>(QString(), Qt::FindDirectChildrenOnly)) {
        return existing;
    }
    auto* banner = new Banner(wbBanner);
    auto* layout = new QVBoxLayout(wbBanner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(banner);
    banner->show();
    return banner;
}

Banner::Banner(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("banner"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    const KeyshelfCreateBanner create = LoadModule(banner::ModulePath());
    if (create == nullptr) {
        return;
    }
    static const BannerHost host{kBannerInterfaceVersion, &OpenAddress};
    band_ = create(this, &host);
    if (band_ == nullptr) {
        qWarning("The banner stays blank: %s is of another version.", qPrintable(banner::ModulePath()));
        return;
    }
    band_->setLoadFinishedHandler([this](bool ok) { emit loadFinished(ok); });
    layout->addWidget(band_->widget());
}

void Banner::Navigate(const QString& address) {
    if (band_ != nullptr) {
        band_->navigate(address);
    }
}

QWidget* Banner::band() const {
    return band_ != nullptr ? band_->widget() : nullptr;
}

void PrepareWebEngine() {
    // The engine reads these when it starts, with the band; they are set here, while the process has one
    // thread, since changing the environment later could race with a reader on another thread.
    // It reports its graphics set-up and its switches on every start, and Chromium logs its own passing
    // troubles; none of it is for the user. A developer's QT_LOGGING_RULES, or a --log-level of their own
    // in QTWEBENGINE_CHROMIUM_FLAGS (which comes later, so wins), still turns it back on.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--log-level=3 " + qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"));
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
}

namespace banner {

QString ModulePath() {
    if (!ModulePathForTests().isEmpty()) {
        return ModulePathForTests();
    }
    // Resolved through /proc/self/exe, so the link in bin/ finds the module of the installed program.
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(kBannerModuleFile);
}

namespace testing {
void SetModulePath(const QString& path) {
    ModulePathForTests() = path;
}
} // namespace testing

} // namespace banner
