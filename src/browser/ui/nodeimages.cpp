#include "browser/ui/nodeimages.h"

#include <array>

namespace quodlin {

QIcon NodeIcon(int image, bool large)
{
    static const std::array<const char *, kNodeImageCount> names{
        "0-table", "1-view", "2-procedure", "3-trigger", "4-synonym", "5-connection", "6-user", "7-role"};
    if (image < 0 || image >= kNodeImageCount)
        return {};
    const QString base = QStringLiteral(":/icons/node-") + QLatin1String(names[std::size_t(image)]);
    // Built once per index and size: every tree node shares it.
    static std::array<QIcon, kNodeImageCount> small, both;
    QIcon &icon = large ? both[std::size_t(image)] : small[std::size_t(image)];
    if (icon.isNull()) {
        icon.addFile(base + QStringLiteral("-16.png"), QSize(16, 16));
        if (large)
            icon.addFile(base + QStringLiteral("-32.png"), QSize(32, 32));
    }
    return icon;
}

} // namespace quodlin
