#include "engine/ocr/PictureLoader.h"

#include <leptonica/allheaders.h>

#include <algorithm>

namespace velmora::engine {
namespace {

LoadedPicture notAPicture() {
  return {nullptr, PictureProblem::NotAPicture, "the data is not a picture in a format that can be decoded"};
}

// The largest JPEG reduction (1, 2, 4 or 8) that still leaves the longer
// side at least maxSide, so that the final scaling only ever shrinks.
int jpegReduction(int width, int height, int maxSide) {
  const int longer = std::max(width, height);
  int reduction = 1;
  while (reduction < 8 && longer / (reduction * 2) >= maxSide) reduction *= 2;
  return reduction;
}

PixPointer decode(std::string_view bytes, int format, int reduction) {
  const auto* data = reinterpret_cast<const l_uint8*>(bytes.data());
  if (format == IFF_JFIF_JPEG) return PixPointer(pixReadMemJpeg(data, bytes.size(), 0, reduction, nullptr, 0));
  return PixPointer(pixReadMem(data, bytes.size()));
}

// Flattens transparency onto white and colour maps into plain pixels, so the
// recogniser sees what a viewer shows.
PixPointer normalise(PixPointer pix) {
  if (pixGetColormap(pix.get())) {
    pix = PixPointer(pixRemoveColormap(pix.get(), REMOVE_CMAP_BASED_ON_SRC));
    if (!pix) return nullptr;
  }
  if (pixGetDepth(pix.get()) == 32 && pixGetSpp(pix.get()) == 4) pix = PixPointer(pixRemoveAlpha(pix.get()));
  return pix;
}

PixPointer shrinkToFit(PixPointer pix, int maxSide) {
  const int longer = std::max(pixGetWidth(pix.get()), pixGetHeight(pix.get()));
  if (longer <= maxSide) return pix;
  const float scale = static_cast<float>(maxSide) / static_cast<float>(longer);
  return PixPointer(pixScale(pix.get(), scale, scale));
}

}  // namespace

void PixDeleter::operator()(Pix* pix) const { pixDestroy(&pix); }

LoadedPicture loadPicture(std::string_view bytes, const PictureLimits& limits) {
  if (bytes.empty()) return notAPicture();
  l_int32 format = 0, width = 0, height = 0;
  if (pixReadHeaderMem(reinterpret_cast<const l_uint8*>(bytes.data()), bytes.size(), &format, &width, &height,
                       nullptr, nullptr, nullptr) != 0 ||
      width <= 0 || height <= 0) {
    return notAPicture();
  }
  const int reduction = format == IFF_JFIF_JPEG ? jpegReduction(width, height, limits.maxSide) : 1;
  const std::int64_t decodedPixels =
      std::int64_t{(width + reduction - 1) / reduction} * ((height + reduction - 1) / reduction);
  if (decodedPixels > limits.maxDecodedPixels) {
    return {nullptr, PictureProblem::TooLarge,
            "the picture is too large: " + std::to_string(width) + " x " + std::to_string(height) + " pixels"};
  }

  PixPointer pix = decode(bytes, format, reduction);
  if (!pix) return notAPicture();
  pix = normalise(std::move(pix));
  if (pix) pix = shrinkToFit(std::move(pix), limits.maxSide);
  if (!pix) return {nullptr, PictureProblem::TooLarge, "there is not enough memory to prepare the picture"};
  return {std::move(pix), PictureProblem::None, {}};
}

}  // namespace velmora::engine
