#include "Banner.h"

#include "BannerModule.h"
#include "ProcessLauncher.h"
#include "Seams.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QLoggingCategory>
#include <QVBoxLayout>
#include <dlfcn.h>
#include <unistd.h>

namespace {

QString& ModulePathForTests() {
    static QString path;
    return path;
}

void OpenAddress(const QString& address) {
    seams::ShellOpen(address);
}

QtMessageHandler gNextHandler = nullptr;

// The band draws without OpenGL (see the module), so the program makes no OpenGL context for the engine to
// share. The engine takes that for a mistake and says so twice: as it is loaded, and when its GPU thread
// finds no OpenGL to use. Both lines are dropped; everything else goes on as before (this runs on the
// engine's threads too).
void DropEngineOpenGLNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg &&
        (message.startsWith(QLatin1String("Qt WebEngine seems to be initialized from a plugin.")) ||
         message.startsWith(QLatin1String("No suitable graphics backend found")))) {
        return;
    }
    gNextHandler(type, context, message);
}

// The module's entry, loaded once per file for the life of the process (the web engine cannot be unloaded);
// null when the file is missing or does not load, which is said once on stderr.
KeyshelfCreateBanner LoadModule(const QString& path) {
    static QHash<QString, KeyshelfCreateBanner> loaded;
    if (auto it = loaded.constFind(path); it != loaded.constEnd()) {
        return it.value();
    }
    KeyshelfCreateBanner create = nullptr;
    if (gNextHandler == nullptr && QFile::exists(path)) {
        gNextHandler = qInstallMessageHandler(DropEngineOpenGLNotes);
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
    // thread, since changing the environment later could race with a reader on another thread. They are
    // Keyshelf's own: the programs it starts (the browser, through xdg-open) get the values from before.
    // It reports its graphics set-up and its switches on every start, and Chromium logs its own passing
    // troubles; none of it is for the user. A developer's QT_LOGGING_RULES, or a --log-level of their own
    // in QTWEBENGINE_CHROMIUM_FLAGS (which comes later, so wins), still turns it back on.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    // --no-unsandboxed-zygote: Chromium keeps a second zygote ready for helpers that run without a
    // sandbox; the band starts none (the engine's network and GPU services run in this process), so it
    // sat idle at about 20 MB. Such a helper would now be started directly, as unsandboxed as before; the
    // page's renderer still comes from the sandboxed zygote. About 9 MB less in all.
    ProcessLauncher::SetForThisProgramOnly(
        "QTWEBENGINE_CHROMIUM_FLAGS",
        "--log-level=3 --no-unsandboxed-zygote " + qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").toStdString());
    // The band draws in software (see the module's keyshelf_create_banner), so the program needs no
    // OpenGL at all. The engine still asks Qt whether OpenGL may be used from several threads, and Qt
    // answers by making a throw-away OpenGL context, which loads the graphics driver into the process for
    // good (Mesa's software one: about 35 MB). Skipping that check keeps the driver out; it only decides
    // threaded OpenGL, which nothing here uses.
    if (qEnvironmentVariableIsEmpty("QT_OPENGL_NO_SANITY_CHECK")) {
        ProcessLauncher::SetForThisProgramOnly("QT_OPENGL_NO_SANITY_CHECK", "1");
    }
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        ProcessLauncher::SetForThisProgramOnly("QTWEBENGINE_DISABLE_SANDBOX", "1");
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
