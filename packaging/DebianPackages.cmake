# What the Debian packages say of themselves, in one place for the packaging rules
# (packaging/CMakeLists.txt) and their test (tests/packaging).

# The one maintainer address: the packages' Maintainer field, the changelog and the copyright.
set(READER_MAINTAINER "Reader Configuration developers <maintainers@readerconfig.example.org>"
    CACHE STRING "Maintainer named in the Debian packages")
# The Debian revision: 1 for the first packages of each upstream version. The newest entry of
# packaging/changelog carries the same PROJECT_VERSION-READER_DEB_RELEASE.
set(READER_DEB_RELEASE 1)
set(READER_DEB_VERSION ${PROJECT_VERSION}-${READER_DEB_RELEASE})
