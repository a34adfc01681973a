# Input-device tests in a virtual machine: Debian's kernel under qemu, with evdev, uinput and
# USB devices made in configfs on dummy_hcd, runs the programs below and reports on its
# serial console. The programs are built without sanitizers (the VM carries only their plain
# shared libraries), so a sanitized build has nothing to add and leaves the VM out.
if(NOT BLENVAR_SANITIZE)
  set(BLENVAR_VM_DIR ${CMAKE_BINARY_DIR}/vm)
  # Each program runs once per boot, in this order; a program is an add_executable target
  # named here, passing when it exits 0.
  set(BLENVAR_VM_PROGRAMS capture_test train_test typing_test relay_bench session_pause_test
    usb_scanner_test)
  # Programs the tests start; copied in, not run by themselves.
  set(BLENVAR_VM_HELPERS blenvar-decode blenvar-hid-pos-id)
  # Files copied to the same path in the image.
  set(vm_files "")
  if(BLENVAR_WITH_QT)
    # Debian's Qt does not load its plugins' targets by itself.
    find_package(Qt6QOffscreenIntegrationPlugin CONFIG QUIET PATHS ${Qt6Gui_DIR}
      NO_DEFAULT_PATH)
  endif()
  if(TARGET Qt6::QOffscreenIntegrationPlugin AND TARGET blenvar_deliver)
    # --deliver: the delivery library beside blenvar-decode, and Qt's offscreen platform.
    list(APPEND BLENVAR_VM_PROGRAMS capture_deliver_test)
    list(APPEND BLENVAR_VM_HELPERS blenvar_deliver)
    list(APPEND vm_files --file $<TARGET_FILE:Qt6::QOffscreenIntegrationPlugin>)
  endif()

  add_executable(capture_test ${CMAKE_CURRENT_LIST_DIR}/vm/capture_test.cpp)
  add_executable(train_test ${CMAKE_CURRENT_LIST_DIR}/vm/train_test.cpp)
  target_link_libraries(train_test PRIVATE blenvar_capture blenvar_ini)
  target_include_directories(train_test PRIVATE ${CMAKE_SOURCE_DIR}/src)
  if(capture_deliver_test IN_LIST BLENVAR_VM_PROGRAMS)
    add_executable(capture_deliver_test ${CMAKE_CURRENT_LIST_DIR}/vm/capture_deliver_test.cpp)
    target_link_libraries(capture_deliver_test PRIVATE blenvar_capture)
    target_include_directories(capture_deliver_test PRIVATE ${CMAKE_SOURCE_DIR}/src)
  endif()
  add_executable(usb_scanner_test ${CMAKE_CURRENT_LIST_DIR}/vm/usb_scanner_test.cpp)
  # A benchmark that needs the VM's devices: it runs there and prints its figures.
  add_executable(relay_bench ${CMAKE_SOURCE_DIR}/bench/vm/relay_bench.cpp)
  target_include_directories(relay_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR}/vm)
  add_executable(typing_test ${CMAKE_CURRENT_LIST_DIR}/vm/typing_test.cpp)
  target_link_libraries(typing_test PRIVATE blenvar_uinput_keys blenvar_output)
  target_include_directories(typing_test PRIVATE ${CMAKE_SOURCE_DIR}/src)
  add_executable(session_pause_test ${CMAKE_CURRENT_LIST_DIR}/vm/session_pause_test.cpp)
  target_link_libraries(session_pause_test PRIVATE blenvar_evdev)
  target_include_directories(session_pause_test PRIVATE ${CMAKE_SOURCE_DIR}/src)

  set(vm_program_files ${vm_files})
  foreach(helper ${BLENVAR_VM_HELPERS})
    list(APPEND vm_program_files --with $<TARGET_FILE:${helper}>)
  endforeach()
  foreach(program ${BLENVAR_VM_PROGRAMS})
    set_target_properties(${program} PROPERTIES
      COMPILE_OPTIONS "-Wall;-Wextra;-Werror" LINK_OPTIONS "")
    target_include_directories(${program} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    list(APPEND vm_program_files $<TARGET_FILE:${program}>)
  endforeach()

  # build-image keeps the downloaded packages and skips work whose inputs are unchanged.
  add_custom_command(
    OUTPUT ${BLENVAR_VM_DIR}/initrd.cpio.gz ${BLENVAR_VM_DIR}/vmlinuz
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/vm/build-image ${BLENVAR_VM_DIR} ${vm_program_files}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/vm/build-image ${CMAKE_CURRENT_LIST_DIR}/vm/init
      ${BLENVAR_VM_PROGRAMS} ${BLENVAR_VM_HELPERS}
    COMMENT "Building the test VM image in ${BLENVAR_VM_DIR}"
    VERBATIM)
  # Without qemu the test skips, so the image (a kernel download) is not built by default.
  find_program(BLENVAR_QEMU qemu-system-x86_64)
  if(BLENVAR_QEMU)
    set(vm_all ALL)
  else()
    set(vm_all "")
  endif()
  add_custom_target(vm_image ${vm_all}
    DEPENDS ${BLENVAR_VM_DIR}/initrd.cpio.gz ${BLENVAR_VM_DIR}/vmlinuz)

  add_test(NAME vm_smoke_test COMMAND ${CMAKE_CURRENT_LIST_DIR}/vm/run ${BLENVAR_VM_DIR} 240)
  set_tests_properties(vm_smoke_test PROPERTIES LABELS vm TIMEOUT 300 SKIP_RETURN_CODE 77)
endif()
