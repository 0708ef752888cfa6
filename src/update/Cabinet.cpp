#include "update/Cabinet.h"

#include <libgcab.h>

#include <filesystem>
#include <memory>
#include <stdexcept>

#include "platform/FileSystem.h"

namespace skyrelle::update {
namespace {

struct TObjectUnref {
  void operator()(gpointer AObject) const { g_object_unref(AObject); }
};
template <typename T>
using TObject = std::unique_ptr<T, TObjectUnref>;

struct TErrorFree {
  void operator()(GError* AError) const { g_error_free(AError); }
};
using TError = std::unique_ptr<GError, TErrorFree>;

// One file name, nothing that a path could take for a folder.
bool IsPlainName(std::string_view AName) {
  return !AName.empty() && AName != "." && AName != ".." &&
         AName.find_first_of("/\\") == std::string_view::npos;
}

std::vector<GCabFile*> FilesOf(GCabCabinet* ACabinet) {
  std::vector<GCabFile*> files;
  GPtrArray* folders = gcab_cabinet_get_folders(ACabinet);
  for (guint i = 0; i < folders->len; ++i) {
    GSList* list = gcab_folder_get_files(static_cast<GCabFolder*>(g_ptr_array_index(folders, i)));
    for (GSList* item = list; item != nullptr; item = item->next)
      files.push_back(static_cast<GCabFile*>(item->data));
    g_slist_free(list);
  }
  return files;
}

bool AcceptableFiles(const std::vector<GCabFile*>& AFiles) {
  unsigned long long total = 0;
  for (GCabFile* file : AFiles) {
    if (!IsPlainName(gcab_file_get_name(file))) return false;
    total += gcab_file_get_size(file);
  }
  return total <= MaxExpandedCabinetSize;
}

// Loads the cabinet and decompresses its files into memory. The library detects a failed read
// only when it is given somewhere to put the error.
TObject<GCabCabinet> LoadCabinet(const std::string& ACabinetFile) {
  GError* error = nullptr;
  TObject<GFile> file(g_file_new_for_path(ACabinetFile.c_str()));
  TObject<GFileInputStream> stream(g_file_read(file.get(), nullptr, &error));
  TObject<GCabCabinet> cabinet(gcab_cabinet_new());
  const bool loaded =
      stream && gcab_cabinet_load(cabinet.get(), G_INPUT_STREAM(stream.get()), nullptr, &error) &&
      AcceptableFiles(FilesOf(cabinet.get())) &&
      gcab_cabinet_extract(cabinet.get(), nullptr, nullptr, nullptr, nullptr, nullptr, &error);
  const TError owned(error);
  return loaded && error == nullptr ? std::move(cabinet) : nullptr;
}

void WriteFile(const std::filesystem::path& AFolder, GCabFile* AFile) {
  GBytes* bytes = gcab_file_get_bytes(AFile);
  if (bytes == nullptr) throw std::runtime_error("the cabinet's file was not expanded");
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  const bool executable = (gcab_file_get_attributes(AFile) & GCAB_FILE_ATTRIBUTE_EXEC) != 0;
  platform::WriteFileWhole(
      (AFolder / gcab_file_get_name(AFile)).string(), std::string_view(data, size),
      executable ? platform::TFileAccess::PrivateProgram : platform::TFileAccess::Private);
}

}  // namespace

bool ExpandCabinet(const std::string& ACabinetFile, const std::string& ATargetFolder) {
  try {
    std::error_code ignored;
    std::filesystem::create_directories(ATargetFolder, ignored);
    const TObject<GCabCabinet> cabinet = LoadCabinet(ACabinetFile);
    if (!cabinet) return false;
    for (GCabFile* file : FilesOf(cabinet.get())) WriteFile(ATargetFolder, file);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::string MakeCabinet(const std::vector<TCabinetFile>& AFiles) {
  TObject<GCabCabinet> cabinet(gcab_cabinet_new());
  TObject<GCabFolder> folder(gcab_folder_new(GCAB_COMPRESSION_MSZIP));
  GError* error = nullptr;
  for (const TCabinetFile& entry : AFiles) {
    GBytes* bytes = g_bytes_new(entry.Bytes.data(), entry.Bytes.size());
    TObject<GCabFile> file(gcab_file_new_with_bytes(entry.Name.c_str(), bytes));
    g_bytes_unref(bytes);
    gcab_file_set_attributes(file.get(), entry.Executable ? GCAB_FILE_ATTRIBUTE_EXEC : 0);
    if (!gcab_folder_add_file(folder.get(), file.get(), FALSE, nullptr, &error)) break;
  }
  if (error == nullptr) gcab_cabinet_add_folder(cabinet.get(), folder.get(), &error);
  TObject<GOutputStream> stream(g_memory_output_stream_new_resizable());
  if (error == nullptr)
    gcab_cabinet_write_simple(cabinet.get(), stream.get(), nullptr, nullptr, nullptr, &error);
  if (error != nullptr) {
    const TError owned(error);
    throw std::runtime_error(std::string("Cannot make the cabinet: ") + owned->message);
  }
  g_output_stream_close(stream.get(), nullptr, nullptr);
  auto* memory = G_MEMORY_OUTPUT_STREAM(stream.get());
  return std::string(static_cast<const char*>(g_memory_output_stream_get_data(memory)),
                     g_memory_output_stream_get_data_size(memory));
}

}  // namespace skyrelle::update
