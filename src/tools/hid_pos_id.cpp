// Run by udev for each hidraw node (IMPORT{program}): prints ID_HID_POS_SCANNER=1 when the
// device's report descriptor is a bar code scanner's, so the rule can open that node, and
// only that one, to the seat's user. A rule alone cannot see the usage page.
//   blenvar-hid-pos-id SYSFS_PATH_OF_THE_HIDRAW_NODE
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "capture/hid_pos.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: blenvar-hid-pos-id SYSFS_PATH\n");
        return 2;
    }
    std::ifstream in(std::string(argv[1]) + "/device/report_descriptor", std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "blenvar-hid-pos-id: %s has no report descriptor\n", argv[1]);
        return 1;
    }
    const std::vector<std::uint8_t> descriptor{std::istreambuf_iterator<char>(in), {}};
    if (blenvar::FindScannedDataReport(descriptor)) std::puts("ID_HID_POS_SCANNER=1");
    return 0;
}
