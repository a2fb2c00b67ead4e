#include "UserSettings.h"

#include "Seams.h"

#include <QSettings>

namespace userSettings {
namespace {

QString PathOf(const Setting& setting) {
    return QStringLiteral("Settings/") + QLatin1String(setting.key);
}

QString TextOf(const Setting& setting) {
    return seams::OpenSettings()->value(PathOf(setting), QString::number(setting.fallback)).toString();
}

} // namespace

std::optional<int> stored(const Setting& setting) {
    const QString text = TextOf(setting);
    switch (setting.reading) {
    case Reading::OffOnlyAsZero:
        return text == QLatin1String("0") ? 0 : 1;
    case Reading::Number:
        break;
    }
    bool ok = false;
    const int number = text.trimmed().toInt(&ok);
    if (!ok || number < setting.least || number > setting.most) {
        return std::nullopt;
    }
    return number;
}

int value(const Setting& setting) {
    return stored(setting).value_or(setting.fallback);
}

bool exactly(const Setting& setting, int number) {
    return TextOf(setting) == QString::number(number);
}

bool store(std::initializer_list<std::pair<Setting, int>> values) {
    const auto settings = seams::OpenSettings();
    for (const auto& [setting, number] : values) {
        settings->setValue(PathOf(setting), QString::number(number));
    }
    settings->sync();
    return settings->status() == QSettings::NoError;
}

} // namespace userSettings
