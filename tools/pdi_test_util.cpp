#include "pdi_test_util.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/wait.h>
#include "pdiset/iso9660_fields.h"

namespace iso = pdiset::iso9660;

namespace pdi_test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "pdi_maker_test.XXXXXX").string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (mkdtemp(buf.data())) path = buf.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!path.empty()) std::filesystem::remove_all(path, ec);
}

std::string run(const std::string& command, int* status) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) {
    *status = -1;
    return out;
  }
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int raw = pclose(p);
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

bool have_program(const char* name) {
  int status = 0;
  run(std::string("command -v ") + name + " >/dev/null 2>&1", &status);
  return status == 0;
}

std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> image_range(const pdi_maker::Image& image, uint64_t pos, size_t count) {
  std::vector<uint8_t> out(count);
  pdi_maker::image_bytes(image, pos, out.data(), count);
  return out;
}

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint16_t be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint32_t be32(const uint8_t* p) { return uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 24; }

Directory read_directory(const pdi_maker::Image& image, uint32_t first, uint32_t sectors) {
  const uint32_t kSector = pdi_maker::kSectorSize;
  std::vector<uint8_t> d = image_range(image, uint64_t(first) * kSector, size_t(sectors) * kSector);
  Directory dir;
  for (uint32_t s = 0; s < sectors; ++s) {
    const uint8_t* sector = d.data() + size_t(s) * kSector;
    uint32_t off = 0;
    while (off < kSector && sector[off] != 0) {
      const uint8_t* p = sector + off;
      uint8_t len = p[0];
      if (off + len > kSector || len < 34) {
        dir.crosses_sector = true;
        break;
      }
      DirRecord r;
      r.offset = uint64_t(s) * kSector + off;
      r.extent = le32(p + iso::kExtent);
      r.size = le32(p + iso::kDataLength);
      r.both_endian_agree = r.extent == be32(p + iso::kExtent + 4) && r.size == be32(p + iso::kDataLength + 4) &&
                            le16(p + iso::kVolumeSequence) == be16(p + iso::kVolumeSequence + 2);
      for (int i = 0; i < 7; ++i) r.date[i] = p[iso::kRecordingDate + i];
      r.flags = p[iso::kFileFlags];
      r.volume_sequence = le16(p + iso::kVolumeSequence);
      uint8_t id_len = p[iso::kIdentifierLength];
      r.identifier.assign(reinterpret_cast<const char*>(p + iso::kIdentifier), id_len);
      r.padding_right = len == iso::kRecordFixedPart + id_len + (id_len % 2 == 0 ? 1 : 0) &&
                        (id_len % 2 == 1 || p[iso::kIdentifier + id_len] == 0);
      dir.records.push_back(r);
      off += len;
    }
    for (; off < kSector; ++off) {
      if (sector[off] != 0) dir.dirty_padding = true;
    }
  }
  return dir;
}

std::string without_version(const std::string& identifier) {
  return identifier.substr(0, identifier.find(';'));
}

pdi_maker::Image write_dvd_set(const std::string& base, int vobs, uint64_t vob_size,
                               const std::vector<uint64_t>& cuts, std::vector<std::string>* members,
                               std::string* error) {
  pdi_maker::ImagePlan plan;
  plan.files = pdi_maker::dvd_files(vobs, vob_size);
  pdi_maker::Image image = pdi_maker::build_image(plan);
  *members = pdi_maker::write_set(image, base, cuts, error);
  return image;
}

}  // namespace pdi_test
