#include "platform/coregraphics/CGPDFDocument.h"

#include "platform/corefoundation/CFURL.h"

#include <QImage>
#include <QPdfDocument>
#include <QPdfDocumentRenderOptions>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

struct CGPDFPage {
    CGPDFDocument* document = nullptr;
    int index = 0;
};

struct CGPDFDocument {
    std::unique_ptr<QPdfDocument> pdf;
    std::vector<std::unique_ptr<CGPDFPage>> pages;
    std::atomic<int> retainCount{1};
};

namespace {

QString localPath(CFURLRef url) {
    UInt8 buffer[4096];
    if (!CFURLGetFileSystemRepresentation(url, true, buffer, sizeof buffer))
        return QString();
    return QString::fromUtf8(reinterpret_cast<const char*>(buffer));
}

} // namespace

CGPDFDocumentRef CGPDFDocumentCreateWithURL(CFURLRef url) {
    if (!url)
        return nullptr;
    const QString path = localPath(url);
    if (path.isEmpty())
        return nullptr;
    auto pdf = std::make_unique<QPdfDocument>();
    if (pdf->load(path) != QPdfDocument::Error::None || pdf->pageCount() <= 0)
        return nullptr;
    auto* document = new CGPDFDocument;
    for (int i = 0; i < pdf->pageCount(); ++i)
        document->pages.push_back(std::make_unique<CGPDFPage>(CGPDFPage{document, i}));
    document->pdf = std::move(pdf);
    return document;
}

CGPDFDocumentRef CGPDFDocumentRetain(CGPDFDocumentRef document) {
    if (document)
        document->retainCount.fetch_add(1, std::memory_order_relaxed);
    return document;
}

void CGPDFDocumentRelease(CGPDFDocumentRef document) {
    if (document && document->retainCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete document;
}

std::size_t CGPDFDocumentGetNumberOfPages(CGPDFDocumentRef document) {
    return document ? document->pages.size() : 0;
}

CGPDFPageRef CGPDFDocumentGetPage(CGPDFDocumentRef document, std::size_t pageNumber) {
    if (!document || pageNumber < 1 || pageNumber > document->pages.size())
        return nullptr;
    return document->pages[pageNumber - 1].get();
}

CGRect CGPDFPageGetBoxRect(CGPDFPageRef page, CGPDFBox) {
    if (!page)
        return CGRect{};
    const QSizeF size = page->document->pdf->pagePointSize(page->index);
    return CGRectMake(0, 0, size.width(), size.height());
}

CGAffineTransform CGPDFPageGetDrawingTransform(CGPDFPageRef page, CGPDFBox box, CGRect rect, int,
                                               bool preserveAspectRatio) {
    const CGRect boxRect = CGPDFPageGetBoxRect(page, box);
    const CGFloat bw = CGRectGetWidth(boxRect), bh = CGRectGetHeight(boxRect);
    if (bw <= 0 || bh <= 0)
        return CGAffineTransformIdentity;
    CGFloat sx = CGRectGetWidth(rect) / bw;
    CGFloat sy = CGRectGetHeight(rect) / bh;
    if (preserveAspectRatio)
        sx = sy = std::min(sx, sy);
    const CGFloat tx = CGRectGetMidX(rect) - sx * (boxRect.origin.x + bw * 0.5);
    const CGFloat ty = CGRectGetMidY(rect) - sy * (boxRect.origin.y + bh * 0.5);
    return CGAffineTransformMake(sx, 0, 0, sy, tx, ty);
}

QImage CGPDFPageRenderImage(CGPDFPageRef page, const QSize& size) {
    if (!page || size.isEmpty())
        return QImage();
    QImage image = page->document->pdf->render(page->index, size);
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
