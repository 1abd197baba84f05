#include "app/panel/owner_icon.h"

#import <AppKit/AppKit.h>
#import <UniformTypeIdentifiers/UniformTypeIdentifiers.h>

#include <QImage>
#include <QPixmap>

namespace moorix {

namespace {

// Through PNG bytes: public API on both sides, and icons are small.
QIcon iconFromImage(NSImage* image) {
    NSData* tiff = [image TIFFRepresentation];
    NSBitmapImageRep* bitmap = tiff ? [NSBitmapImageRep imageRepWithData:tiff] : nil;
    NSData* png = [bitmap representationUsingType:NSBitmapImageFileTypePNG properties:@{}];
    if (!png) return {};
    QImage decoded;
    decoded.loadFromData(static_cast<const uchar*>(png.bytes), static_cast<int>(png.length), "PNG");
    return decoded.isNull() ? QIcon() : QIcon(QPixmap::fromImage(decoded));
}

} // namespace

QIcon platformOwnerIcon(const PortEntry& entry) {
    @autoreleasepool {
        NSRunningApplication* app =
            [NSRunningApplication runningApplicationWithProcessIdentifier:static_cast<pid_t>(entry.rootPid)];
        if (app.icon) {
            QIcon icon = iconFromImage(app.icon);
            if (!icon.isNull()) return icon;
        }
        return iconFromImage([[NSWorkspace sharedWorkspace] iconForContentType:UTTypeUnixExecutable]);
    }
}

} // namespace moorix
