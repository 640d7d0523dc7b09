#include "flacstream.h"

#include "results.h"

#include <FLAC/stream_decoder.h>
#include <FLAC/stream_encoder.h>
#include <algorithm>
#include <memory>
#include <vector>

namespace dft {
namespace {

// Samples are small and read far more often than written: the strongest standard level.
constexpr uint32_t kCompressionLevel = 8;
constexpr uint32_t kBlockFrames = 4096;
// The stream needs a rate the codec takes; the WAV file's own rate stays in the kept header.
constexpr uint32_t kFallbackRate = 44100;

struct EncoderDeleter {
  void operator()(FLAC__StreamEncoder* e) const { FLAC__stream_encoder_delete(e); }
};
struct DecoderDeleter {
  void operator()(FLAC__StreamDecoder* d) const { FLAC__stream_decoder_delete(d); }
};

struct EncodeContext {
  Target* target;
  uint64_t streamStart;
  uint64_t end;  // the furthest byte written: the encoder seeks back to finish its header
  bool writeFailed = false;
};

FLAC__StreamEncoderWriteStatus EncoderWrite(const FLAC__StreamEncoder*, const FLAC__byte buffer[],
                                            size_t bytes, uint32_t, uint32_t, void* client) {
  auto* c = static_cast<EncodeContext*>(client);
  if (!c->target->Write(buffer, bytes)) {
    c->writeFailed = true;
    return FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
  }
  c->end = std::max(c->end, c->target->Tell());
  return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
}

FLAC__StreamEncoderSeekStatus EncoderSeek(const FLAC__StreamEncoder*, FLAC__uint64 offset,
                                          void* client) {
  auto* c = static_cast<EncodeContext*>(client);
  if (c->target->Seek(c->streamStart + offset)) return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
  c->writeFailed = true;
  return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
}

FLAC__StreamEncoderTellStatus EncoderTell(const FLAC__StreamEncoder*, FLAC__uint64* offset,
                                          void* client) {
  auto* c = static_cast<EncodeContext*>(client);
  *offset = c->target->Tell() - c->streamStart;
  return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
}

int32_t EncoderFailure(const FLAC__StreamEncoder* encoder, const EncodeContext& context) {
  if (context.writeFailed) return kDiskFull;
  if (FLAC__stream_encoder_get_state(encoder) == FLAC__STREAM_ENCODER_MEMORY_ALLOCATION_ERROR)
    return kOutOfMemory;
  return kInternalError;
}

struct DecodeContext {
  const Source* source;
  uint64_t offset;     // the next stream byte in the source
  uint64_t remaining;  // stream bytes not yet read
  const Header* header;
  Target* target;
  uint64_t frames = 0;
  std::vector<uint8_t> bytes{};
  bool damaged = false;
  bool readFailed = false;
  bool writeFailed = false;
};

FLAC__StreamDecoderReadStatus DecoderRead(const FLAC__StreamDecoder*, FLAC__byte buffer[],
                                          size_t* bytes, void* client) {
  auto* c = static_cast<DecodeContext*>(client);
  const size_t wanted = size_t(std::min<uint64_t>(*bytes, c->remaining));
  if (wanted == 0) {
    *bytes = 0;
    return FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
  }
  const size_t got = c->source->ReadAt(c->offset, buffer, wanted);
  if (got == 0) {
    c->readFailed = true;
    *bytes = 0;
    return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
  }
  c->offset += got;
  c->remaining -= got;
  *bytes = got;
  return FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
}

FLAC__StreamDecoderWriteStatus DecoderWrite(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                            const FLAC__int32* const buffer[], void* client) {
  auto* c = static_cast<DecodeContext*>(client);
  const Header& h = *c->header;
  const uint32_t count = frame->header.blocksize;
  if (frame->header.channels != h.channels || frame->header.bits_per_sample != h.bits ||
      c->frames + count > h.frames) {
    c->damaged = true;
    return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
  }
  const bool eightBit = h.bits == 8;
  const int32_t low = eightBit ? -128 : -32768, high = eightBit ? 127 : 32767;
  c->bytes.resize(size_t(count) * h.channels * (h.bits / 8u));
  uint8_t* out = c->bytes.data();
  for (uint32_t i = 0; i < count; ++i)
    for (uint32_t ch = 0; ch < h.channels; ++ch) {
      const int32_t v = buffer[ch][i];
      if (v < low || v > high) {
        c->damaged = true;
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
      }
      if (eightBit) {
        *out++ = uint8_t(v + 128);
      } else {
        *out++ = uint8_t(uint32_t(v));
        *out++ = uint8_t(uint32_t(v) >> 8);
      }
    }
  if (!c->target->Write(c->bytes.data(), c->bytes.size())) {
    c->writeFailed = true;
    return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
  }
  c->frames += count;
  return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void DecoderMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata,
                     void* client) {
  auto* c = static_cast<DecodeContext*>(client);
  if (metadata->type != FLAC__METADATA_TYPE_STREAMINFO) return;
  const FLAC__StreamMetadata_StreamInfo& info = metadata->data.stream_info;
  if (info.channels != c->header->channels || info.bits_per_sample != c->header->bits ||
      (info.total_samples != 0 && info.total_samples != c->header->frames))
    c->damaged = true;
}

void DecoderError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* client) {
  static_cast<DecodeContext*>(client)->damaged = true;
}

}  // namespace

int32_t EncodeSamples(const Source& source, const WavLayout& layout, Target& target,
                      uint32_t& streamLength) {
  std::unique_ptr<FLAC__StreamEncoder, EncoderDeleter> encoder(FLAC__stream_encoder_new());
  if (!encoder) return kOutOfMemory;
  FLAC__StreamEncoder* e = encoder.get();
  const uint32_t rate = FLAC__format_sample_rate_is_valid(layout.rate) ? layout.rate : kFallbackRate;
  // The encoder decodes what it wrote and compares: a codec fault fails the conversion.
  if (!FLAC__stream_encoder_set_verify(e, true) ||
      !FLAC__stream_encoder_set_compression_level(e, kCompressionLevel) ||
      !FLAC__stream_encoder_set_channels(e, layout.channels) ||
      !FLAC__stream_encoder_set_bits_per_sample(e, layout.bits) ||
      !FLAC__stream_encoder_set_sample_rate(e, rate) ||
      !FLAC__stream_encoder_set_total_samples_estimate(e, layout.frames))
    return kInternalError;
  EncodeContext context{&target, target.Tell(), target.Tell()};
  if (FLAC__stream_encoder_init_stream(e, EncoderWrite, EncoderSeek, EncoderTell, nullptr,
                                       &context) != FLAC__STREAM_ENCODER_INIT_STATUS_OK)
    return EncoderFailure(e, context);

  const uint32_t frameBytes = layout.FrameBytes();
  std::vector<uint8_t> bytes(size_t(kBlockFrames) * frameBytes);
  std::vector<FLAC__int32> samples(size_t(kBlockFrames) * layout.channels);
  uint64_t position = layout.dataOffset;
  for (uint32_t left = layout.frames; left > 0;) {
    const uint32_t count = std::min(left, kBlockFrames);
    const size_t size = size_t(count) * frameBytes;
    if (source.ReadAt(position, bytes.data(), size) < size) return kPrematureEnd;
    const size_t values = size_t(count) * layout.channels;
    if (layout.bits == 8) {
      for (size_t i = 0; i < values; ++i) samples[i] = FLAC__int32(bytes[i]) - 128;
    } else {
      for (size_t i = 0; i < values; ++i)
        samples[i] = int16_t(uint16_t(bytes[2 * i] | bytes[2 * i + 1] << 8));
    }
    if (!FLAC__stream_encoder_process_interleaved(e, samples.data(), count))
      return EncoderFailure(e, context);
    position += size;
    left -= count;
  }
  if (!FLAC__stream_encoder_finish(e)) return EncoderFailure(e, context);
  if (context.end - context.streamStart > UINT32_MAX) return kUnsupportedFormat;
  streamLength = uint32_t(context.end - context.streamStart);
  return target.Seek(context.end) ? kOk : kDiskFull;
}

int32_t DecodeSamples(const Source& source, uint64_t streamOffset, const Header& header,
                      Target& target) {
  std::unique_ptr<FLAC__StreamDecoder, DecoderDeleter> decoder(FLAC__stream_decoder_new());
  if (!decoder) return kOutOfMemory;
  FLAC__StreamDecoder* d = decoder.get();
  if (!FLAC__stream_decoder_set_md5_checking(d, true)) return kInternalError;
  DecodeContext context{&source, streamOffset, header.streamLength, &header, &target};
  const FLAC__StreamDecoderInitStatus init =
      FLAC__stream_decoder_init_stream(d, DecoderRead, nullptr, nullptr, nullptr, nullptr,
                                       DecoderWrite, DecoderMetadata, DecoderError, &context);
  if (init == FLAC__STREAM_DECODER_INIT_STATUS_MEMORY_ALLOCATION_ERROR) return kOutOfMemory;
  if (init != FLAC__STREAM_DECODER_INIT_STATUS_OK) return kInternalError;
  FLAC__stream_decoder_process_until_end_of_stream(d);
  const bool outOfMemory =
      FLAC__stream_decoder_get_state(d) == FLAC__STREAM_DECODER_MEMORY_ALLOCATION_ERROR;
  // Finishing compares the samples with the stream's MD5 signature.
  const bool signatureMatches = FLAC__stream_decoder_finish(d);
  if (context.writeFailed) return kDiskFull;
  if (outOfMemory) return kOutOfMemory;
  if (context.readFailed) return kPrematureEnd;
  if (context.damaged) return kNotDft;
  // A stream cut at a frame boundary decodes cleanly: only the count tells.
  if (context.frames < header.frames) return kPrematureEnd;
  return signatureMatches ? kOk : kNotDft;
}

}  // namespace dft
