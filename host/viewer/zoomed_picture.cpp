// Painting from a reduced copy kept per zoom level: block means once, nearest-neighbour at each paint.
#include "host/viewer/zoomed_picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <emmintrin.h>

#include "platform/row_pool.h"

namespace molvane::viewer {
namespace {

// Sized for factor k, each row's padding zeroed; the pixels are left for the caller to write.
DibPixels SizedFor(const DibPixels& image, int k) {
  DibPixels reduced;
  reduced.width = (image.width + k - 1) / k;
  reduced.height = (image.height + k - 1) / k;
  const size_t stride = reduced.Stride(), rowBytes = size_t(reduced.width) * 3;
  reduced.bytes.resize(stride * size_t(reduced.height));
  if (stride > rowBytes)
    for (int y = 0; y < reduced.height; ++y) std::memset(&reduced.bytes[size_t(y) * stride + rowBytes], 0, stride - rowBytes);
  return reduced;
}

// (sum + count / 2) / count without a division per channel, which cost more
// than reading the image: sum * ceil(2^40 / count) >> 40 is the exact
// quotient while sum stays below 2^24 and count below 2^16 (the error,
// under sum / 2^40, stays below 1 / count). Larger blocks divide.
class RoundedMean {
 public:
  explicit RoundedMean(uint32_t count)
      : count_(count), reciprocal_(count < (1u << 16) ? ((uint64_t(1) << 40) + count - 1) / count : 0) {}
  uint8_t operator()(uint32_t sum) const {
    const uint32_t rounded = sum + count_ / 2;
    return uint8_t(reciprocal_ && rounded < (1u << 24) ? uint32_t((uint64_t(rounded) * reciprocal_) >> 40)
                                                       : rounded / count_);
  }

 private:
  uint32_t count_;
  uint64_t reciprocal_;
};

// Adds a row's bytes into its column sums. In 16 bits, sixteen bytes a step:
// a compiler may not vectorise the plain loop, as the bytes may alias the sums.
void AddRow(const uint8_t* row, uint16_t* sums, size_t count) {
  size_t i = 0;
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= count; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
    __m128i* low = reinterpret_cast<__m128i*>(sums + i);
    __m128i* high = reinterpret_cast<__m128i*>(sums + i + 8);
    _mm_storeu_si128(low, _mm_add_epi16(_mm_loadu_si128(low), _mm_unpacklo_epi8(bytes, zero)));
    _mm_storeu_si128(high, _mm_add_epi16(_mm_loadu_si128(high), _mm_unpackhi_epi8(bytes, zero)));
  }
  for (; i < count; ++i) sums[i] = uint16_t(sums[i] + row[i]);
}
void AddRow(const uint8_t* row, uint32_t* sums, size_t count) {
  for (size_t i = 0; i < count; ++i) sums[i] += row[i];
}

// The block means of the reduced rows [begin, end); each depends on its own
// k image rows alone. `Sum` holds a column of k bytes.
template <typename Sum>
void ReduceRowsWith(const DibPixels& image, int k, DibPixels& reduced, int begin, int end) {
  const size_t stride = image.Stride(), channels = size_t(image.width) * 3;
  std::vector<Sum> columnSums(channels);
  const int lastColumns = image.width - (reduced.width - 1) * k;  // the right edge's block may be narrower
  for (int Y = begin; Y < end; ++Y) {
    // Rows counted from the top: a bottom-up DIB keeps row y at height - 1 - y.
    const int firstRow = Y * k, rows = std::min(k, image.height - firstRow);
    std::fill(columnSums.begin(), columnSums.end(), Sum(0));
    for (int y = firstRow; y < firstRow + rows; ++y)
      AddRow(&image.bytes[size_t(image.height - 1 - y) * stride], columnSums.data(), channels);
    uint8_t* out = &reduced.bytes[size_t(reduced.height - 1 - Y) * reduced.Stride()];
    const RoundedMean whole(uint32_t(rows * k)), last(uint32_t(rows * lastColumns));
    for (int X = 0; X < reduced.width; ++X) {
      const bool atEdge = X == reduced.width - 1;
      const RoundedMean& mean = atEdge ? last : whole;
      const int columns = atEdge ? lastColumns : k;
      const Sum* sums = &columnSums[size_t(X) * size_t(k) * 3];
      uint32_t b = 0, g = 0, r = 0;
      for (int x = 0; x < columns; ++x, sums += 3) {
        b += sums[0];
        g += sums[1];
        r += sums[2];
      }
      out[size_t(X) * 3] = mean(b);
      out[size_t(X) * 3 + 1] = mean(g);
      out[size_t(X) * 3 + 2] = mean(r);
    }
  }
}

void ReduceRows(const DibPixels& image, int k, DibPixels& reduced, int begin, int end) {
  // 257 rows of 255 make 65535.
  if (k <= 257) ReduceRowsWith<uint16_t>(image, k, reduced, begin, end);
  else ReduceRowsWith<uint32_t>(image, k, reduced, begin, end);
}

// The top-left pixel of each k x k block of a width x height image whose row
// y (from the top) is `row(y)`: the quick picture, sized as the block means are.
template <typename RowAt>
DibPixels SampleBlocks(int width, int height, int k, const RowAt& row) {
  DibPixels sampled;
  sampled.width = width;
  sampled.height = height;
  sampled = SizedFor(sampled, k);
  for (int Y = 0; Y < sampled.height; ++Y) {
    const uint8_t* line = row(Y * k);
    uint8_t* out = &sampled.bytes[size_t(sampled.height - 1 - Y) * sampled.Stride()];
    for (int X = 0; X < sampled.width; ++X) std::memcpy(out + size_t(X) * 3, line + size_t(X) * size_t(k) * 3, 3);
  }
  return sampled;
}

}  // namespace

void CopyIntoDib(const Pixel24* pixels, int width, int height, DibPixels& dib) {
  dib.width = width;
  dib.height = height;
  const size_t stride = dib.Stride(), rowBytes = size_t(width) * 3;
  // Every byte is written below: a picture of the same size is not cleared first.
  dib.bytes.resize(stride * size_t(height));
  // On the window's thread alone: split over the row pool, this copy crashed
  // the viewer on a pool thread under real input (a fault in memcpy), a
  // fault not yet understood.
  for (int64_t row = 0; row < height; ++row) {
    uint8_t* line = &dib.bytes[size_t(height - 1 - row) * stride];
    if (pixels) std::memcpy(line, pixels + size_t(row) * size_t(width), rowBytes);
    else std::memset(line, 0, rowBytes);
    std::memset(line + rowBytes, 0, stride - rowBytes);
  }
}

int ReductionFactor(double zoom) { return zoom < 0.5 ? std::max(1, int(std::floor(1 / zoom))) : 1; }

DibPixels ReduceByBlocks(const DibPixels& image, int k) {
  DibPixels reduced = SizedFor(image, k);
  SplitOverThreads(reduced.height, 1, 2,
                   [&](int64_t begin, int64_t end) { ReduceRows(image, k, reduced, int(begin), int(end)); });
  return reduced;
}

RECT StretchVisiblePart(HDC dc, const DibPixels& source, int k, SIZE imageSize, double zoom, POINT origin,
                        RECT visible) {
  // The visible pixels in the source's own pixels, each k image pixels wide.
  const int left = visible.left / k, top = visible.top / k;
  const int right = std::min(source.width, (int(visible.right) + k - 1) / k);
  const int bottom = std::min(source.height, (int(visible.bottom) + k - 1) / k);
  const double scale = zoom * k;
  // A last block narrower than k ends where the image ends.
  auto edge = [&](int sourceEdge, LONG imageSide, LONG start) {
    return start + LONG(std::floor(std::min(double(sourceEdge) * k, double(imageSide)) * zoom));
  };
  const RECT picture{origin.x + LONG(std::floor(left * scale)), origin.y + LONG(std::floor(top * scale)),
                     edge(right, imageSize.cx, origin.x), edge(bottom, imageSize.cy, origin.y)};
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = source.width;
  info.bmiHeader.biHeight = source.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  SetStretchBltMode(dc, COLORONCOLOR);
  // A bottom-up bitmap counts its source rows from the bottom.
  StretchDIBits(dc, picture.left, picture.top, picture.right - picture.left, picture.bottom - picture.top, left,
                source.height - bottom, right - left, bottom - top, source.bytes.data(), &info, DIB_RGB_COLORS,
                SRCCOPY);
  return picture;
}

// The copies made on the low-priority thread, in the order of `factors`.
struct ZoomedPicture::Background {
  const DibPixels* image = nullptr;
  HWND window = nullptr;
  std::vector<int> factors;
  // Sized once: the thread fills copies[made] while the window's thread reads those below it.
  std::vector<DibPixels> copies;
  size_t made = 0;
  bool finished = false;
  volatile LONG cancelled = 0;
  CRITICAL_SECTION lock;
  HANDLE thread = nullptr;
};

ZoomedPicture::ZoomedPicture(std::vector<int> factorsAhead) : factorsAhead_(std::move(factorsAhead)) {}

ZoomedPicture::~ZoomedPicture() { Forget(); }

DWORD WINAPI ZoomedPicture::Work(void* self) {
  Background& work = *static_cast<Background*>(self);
  try {
    for (size_t i = 0; i < work.factors.size(); ++i) {
      const int k = work.factors[i];
      DibPixels copy = SizedFor(*work.image, k);
      // A few rows at a time, so that Forget waits for little.
      for (int row = 0; row < copy.height; row += 8) {
        if (work.cancelled) return 0;
        ReduceRows(*work.image, k, copy, row, std::min(copy.height, row + 8));
      }
      EnterCriticalSection(&work.lock);
      work.copies[i] = std::move(copy);
      work.made = i + 1;
      LeaveCriticalSection(&work.lock);
      PostMessageA(work.window, kCopyReady, WPARAM(k), i + 1 == work.factors.size());
    }
  } catch (...) {
    // Memory lacked: what is missing is made on the spot.
  }
  EnterCriticalSection(&work.lock);
  work.finished = true;
  LeaveCriticalSection(&work.lock);
  return 0;
}

void ZoomedPicture::StartBackground(const DibPixels& image, int first) {
  startedSinceForget_ = true;
  std::vector<int> factors;
  if (first > 1) factors.push_back(first);
  for (const int k : factorsAhead_)
    if (k > 1 && std::find(factors.begin(), factors.end(), k) == factors.end() &&
        std::none_of(reduced_.begin(), reduced_.end(), [k](const auto& copy) { return copy.first == k; }))
      factors.push_back(k);
  if (factors.empty()) return;
  auto* work = new Background;
  work->image = &image;
  work->window = window_;
  work->factors = factors;
  work->copies.resize(factors.size());
  InitializeCriticalSection(&work->lock);
  work->thread = CreateThread(nullptr, 0, &ZoomedPicture::Work, work, CREATE_SUSPENDED, nullptr);
  if (!work->thread) {
    DeleteCriticalSection(&work->lock);
    delete work;
    return;
  }
  SetThreadPriority(work->thread, THREAD_PRIORITY_LOWEST);
  ResumeThread(work->thread);
  background_ = work;
}

const DibPixels* ZoomedPicture::MadeInBackground(int k) {
  if (!background_) return nullptr;
  EnterCriticalSection(&background_->lock);
  const DibPixels* found = nullptr;
  for (size_t i = 0; i < background_->made && !found; ++i)
    if (background_->factors[i] == k) found = &background_->copies[i];
  LeaveCriticalSection(&background_->lock);
  return found;
}

const DibPixels* ZoomedPicture::ExactCopy(int k) {
  auto kept = std::find_if(reduced_.begin(), reduced_.end(), [k](const auto& copy) { return copy.first == k; });
  if (kept == reduced_.end()) return MadeInBackground(k);
  std::rotate(reduced_.begin(), kept, kept + 1);
  return &reduced_.front().second;
}

RECT ZoomedPicture::Draw(HDC dc, const DibPixels& image, double zoom, POINT origin, RECT visible) {
  const int k = ReductionFactor(zoom);
  const DibPixels* source = k > 1 ? ExactCopy(k) : &image;
  quickShown_ = false;
  if (!source && quickAllowed_ && window_ && !startedSinceForget_) {
    quick_ = {k, SampleBlocks(image.width, image.height, k, [&image](int y) {
                return &image.bytes[size_t(image.height - 1 - y) * image.Stride()];
              })};
    StartBackground(image, k);
    quickShown_ = background_ != nullptr;
  } else if (!source && quick_.first == k && background_) {
    // The exact copy is on its way, unless the thread gave up.
    EnterCriticalSection(&background_->lock);
    quickShown_ = !background_->finished;
    LeaveCriticalSection(&background_->lock);
  }
  if (quickShown_) {
    source = &quick_.second;
  } else if (!source) {
    if (reduced_.size() == kKept) reduced_.pop_back();
    reduced_.insert(reduced_.begin(), {k, ReduceByBlocks(image, k)});
    source = &reduced_.front().second;
  }
  if (window_ && !startedSinceForget_) StartBackground(image, 0);
  return StretchVisiblePart(dc, *source, k, SIZE{image.width, image.height}, zoom, origin, visible);
}

RECT ZoomedPicture::DrawQuick(HDC dc, const Pixel24* pixels, SIZE size, double zoom, POINT origin, RECT visible) {
  const int k = ReductionFactor(zoom);
  quick_ = {k, SampleBlocks(size.cx, size.cy, k, [pixels, size](int y) {
              return reinterpret_cast<const uint8_t*>(pixels + size_t(y) * size_t(size.cx));
            })};
  quickShown_ = true;
  return StretchVisiblePart(dc, quick_.second, k, size, zoom, origin, visible);
}

void ZoomedPicture::Forget() {
  if (background_) {
    InterlockedExchange(&background_->cancelled, 1);
    WaitForSingleObject(background_->thread, INFINITE);
    CloseHandle(background_->thread);
    DeleteCriticalSection(&background_->lock);
    delete background_;
    background_ = nullptr;
  }
  reduced_.clear();
  quick_ = {};
  quickShown_ = false;
  startedSinceForget_ = false;
}

}  // namespace molvane::viewer
