#include "options/ItemLists.h"

namespace fenwave {

namespace {

QStringList genres()
{
    // clang-format off
    return {
    "A Cappella", "Acid", "Acid Jazz", "Acid Punk", "Acoustic", "Alternative", "Alt. Rock",
    "Ambient", "Anime", "Avantgarde", "Ballad", "Bass", "Beat", "Bebob", "Big Band", "Black Metal",
    "Bluegrass", "Blues", "Booty Bass", "BritPop", "Cabaret", "Celtic", "Chamber Music", "Chanson",
    "Chorus", "Christian Gangsta Rap", "Christian Rap", "Christian Rock", "Classical",
    "Classic Rock", "Club", "Club-House", "Comedy", "Contemporary Christian", "Country",
    "Crossover", "Cult", "Dance", "Dance Hall", "Darkwave", "Death Metal", "Disco", "Dream",
    "Drum & Bass", "Drum Solo", "Duet", "Easy Listening", "Electronic", "Ethnic", "Eurodance",
    "Euro-House", "Euro-Techno", "Fast-Fusion", "Folk", "Folklore", "Folk/Rock", "Freestyle",
    "Funk", "Fusion", "Game", "Gangsta Rap", "Goa", "Gospel", "Gothic", "Gothic Rock", "Grunge",
    "Hardcore", "Hard Rock", "Heavy Metal", "Hip-Hop", "House", "Humour", "Indie", "Industrial",
    "Instrumental", "Instrumental Pop", "Instrumental Rock", "Jazz", "Jazz+Funk", "JPop", "Jungle",
    "Latin", "Lo-Fi", "Meditative", "Merengue", "Metal", "Musical", "National Folk",
    "Native American", "Negerpunk", "New Age", "New Wave", "Noise", "Oldies", "Opera", "Other",
    "Polka", "Polsk Punk", "Pop", "Pop-Folk", "Pop/Funk", "Porn Groove", "Power Ballad", "Pranks",
    "Primus", "Progressive Rock", "Psychedelic", "Psychedelic Rock", "Punk", "Punk Rock", "Rap",
    "Rave", "R&B", "Reggae", "Retro", "Revival", "Rhythmic Soul", "Rock", "Rock & Roll", "Salsa",
    "Samba", "Satire", "Showtunes", "Ska", "Slow Jam", "Slow Rock", "Sonata", "Soul", "Sound Clip",
    "Soundtrack", "Southern Rock", "Space", "Speech", "Swing", "Symphonic Rock", "Symphony",
    "Synthpop", "Tango", "Techno", "Techno-Industrial", "Terror", "Thrash Metal", "Top 40",
    "Trailer", "Trance", "Tribal", "Trip-Hop", "Vocal"
    };
    // clang-format on
}

} // namespace

const QStringList &itemList(ItemList list)
{
    static const QStringList none;
    static const QStringList bitrates{"32",  "40",  "48",  "56",  "64",  "80",  "96",
                                      "112", "128", "160", "192", "224", "256", "320"};
    static const QStringList digits{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    static const QStringList genreList = genres();
    static const QStringList inputTypes{"MPEG Layer I",    "MPEG Layer II", "MPEG Layer III",
                                        "Ogg Vorbis file", "RAW PCM",       "WAV PCM"};
    static const QStringList outputTypes{"Stereo", "Joint", "Force", "Mono", "Auto"};
    static const QStringList sampleRates{"44.1", "48", "32"};
    static const QStringList emphasis{"n", "5", "c"};
    static const QStringList vbrModes{"Новый", "Старый", "Промежуточный"};

    switch (list) {
    case ItemList::None: return none;
    case ItemList::Bitrates: return bitrates;
    case ItemList::Digits: return digits;
    case ItemList::Genres: return genreList;
    case ItemList::InputTypes: return inputTypes;
    case ItemList::OutputTypes: return outputTypes;
    case ItemList::SampleRates: return sampleRates;
    case ItemList::Emphasis: return emphasis;
    case ItemList::VbrModes: return vbrModes;
    case ItemList::DesignPresets: return russianPresetNames();
    }
    return none;
}

const QStringList &englishPresetNames()
{
    static const QStringList names{"Phone", "Voice", "Radio", "Tape", "Hi-fi", "Studio"};
    return names;
}

const QStringList &russianPresetNames()
{
    static const QStringList names{"Телефон", "Голос", "Радио", "Кассета", "Hi-fi", "Студия"};
    return names;
}

} // namespace fenwave
