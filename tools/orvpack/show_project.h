// Opening the show a command names: a package file (an executable show) or a loose project.
#pragma once

#include <string>

#include "base/ref_object.h"
#include "package/show_locator.h"
#include "project/ini_file.h"
#include "show/music_source.h"

namespace orv::orvpack {

// The project of the show at `path`. Raises an exception with a message for the user when
// the show does not open.
Ref<TIniFile> OpenShowProject(const std::string& path);

// The show at `path` with the accessor that reads its files, as the player opens it.
// Raises like OpenShowProject.
Ref<TOrvShowLocator> OpenShow(const std::string& path);

// The music of an opened show, as the player reads it.
Ref<TOrvMusicSource> OpenMusicSource(const TOrvShowLocator& show);

}  // namespace orv::orvpack
