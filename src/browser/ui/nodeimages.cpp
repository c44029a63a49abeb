#include "browser/ui/nodeimages.h"

#include <array>

namespace quodlin {

namespace {

QString iconName(int image)
{
    if (image == ImageConnection)
        return QStringLiteral("5-connection");
    for (const ObjectKindDesc &kind : ObjectKinds())
        if (kind.image == image)
            return kind.icon;
    return {};
}

} // namespace

QIcon NodeIcon(int image, bool large)
{
    if (image < 0 || image >= kNodeImageCount)
        return {};
    const QString base = QStringLiteral(":/icons/node-") + iconName(image);
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
