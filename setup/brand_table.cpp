#include "setup/brand_table.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace setup {
namespace {

// The vendor's brandings. Row 0 is the one this vendor's own installers use.
// clang-format off
constexpr BrandRow kBrandRows[] = {
    {0, "Vostrel软件\\",
     "Temvikon|Hovvibis|Goltudel|Marnobe|Temnede|Ronvalex|Kenbolel|Vessirel|Briumon|Halbelix|"
     "Zorbare|Mosdona|Dalbonow|Tirnuvo|Firinine|Lisdanel|Gimelel|Orvvurine|Veldedine|Caltavine|"
     "Vestuvo|Lolinia|Vesbadex|Dorrovine"},
    {1, "Kestrova科技\\",
     "Rasremum|Tirdasow|Korvaron|Rasnibon|Hovlelon|Zorbudon|Temvoma|Varovia|Gimtilar|Hovdedex|"
     "Kendekine"},
    {2, "青岚软件\\",
     "Sevbilow"},
    {3, "Tamberlin Software\\",
     "Sevmale"},
    {4, "Orvane工作室\\",
     "Senvukon|Temvetia|Sevdave|Istsudia|Tavsabix|Halomis|Marmiko|Calbakum|Senikex|Sendison|"
     "Hovvinis|Fenbunen|Belsibia|Lumbalen|Korbomel|Jortesix|Wynmunon|Pavsibel|Censadel|Marratar|"
     "Firirum|Tavdima|Belase|Kalveline"},
    {5, "北溪数码\\",
     "Temmivo|Cennomen|Senbotow|Gimvusel|Kalmonia|Pavnuvia|Sililine|Vestinine|Zeldikel|Brorosix|"
     "Janlonar|Belloko|Jorekine|Zeluvia|Velmadine|Janlile|Dalbodex|Istvusa|Cenlela|Yorbinum|"
     "Zellonum|Kalrunen|Fendanex|Fenlona"},
    {9, "Lunatek网络\\",
     "Yorotis"},
    {7, "Pelmora Labs\\",
     "Kormikis"},
    {8, "云栖小筑\\",
     "Calbekow|Velrotia|Jorsona|Marovine|Nobbutine|Nobdobon|Marbobow|Janobia|Dorilum|Velribine|"
     "Ronmibar"},
    {10, "Quarnish软件\\",
     "Velsinar"},
    {11, "Drevoll Systems\\",
     "Varnaline"},
    {13, "星梧科技\\",
     "Sevnatar"},
    {14, "Ambrelo软件\\",
     "Istmobon"},
    {15, "Sorvik Digital\\",
     "Kenbamex"},
    {16, "蓝橡软件\\",
     "Drasuba"},
    {17, "Halvette工作室\\",
     "Fenveto"},
    {19, "Nimbral科技\\",
     "Mosvanar"},
    {20, "远帆数码\\",
     "Wynnanow"},
    {21, "Corvessa Software\\",
     "Dalorex"},
    {22, "Tillmoor软件\\",
     "Wynvekow"},
    {23, "晨屿网络\\",
     "Nobdunar"},
    {24, "Welbrook Labs\\",
     "Wynlema|Sevdubon|Lisikon|Hovebon|Lomutel|Roknivex|Xantivex|Tulmisine|Brilosix|Nobtikel|"
     "Zortese|Vesbenine|Wynbonon|Kortevar|Quinnusa|Dalrekex"},
    {25, "Fenmarra科技\\",
     "Fendinel|Halrere|Yorsolar|Drasibel|Tavlumia|Nobtada|Zelvatel|Orvmoden|Hovlito|Goltukar|"
     "Golnano|Zormimel|Jorladow|Haldasum|Rokraden|Lumikia|Kenmito|Losadix|Belivix"},
    {28, "清禾软件\\",
     "Lodadex|Levnavow|Brobika|Xanrane|Temvuso|Lobubel|Tavlobon|Rassakum|Janvide|Mardeven|"
     "Fenravix|Rontirex|Sentuven|Sildimia|Tirlatel|Rokrinis|Yordiline|Mosdova|Rasnova"},
    {29, "Ostravel Digital\\",
     "Jandedo|Orvvilex|Kalete|Jorsakia|Janroren|Belvamen|Temsisel|Quinsukine|Brisokum|Hovmonine|"
     "Mosbuno|Tirrodex|Brivuton|Nobrelis|Jorvike|Quindino|Istrove|Brirame|Gimnivis"},
    {33, "Brinvale软件\\",
     "Marsete|Kalbuto|Dalmeva|Pavvosix|Mosnikow|Raslosine|Gimsoden|Hovisia|Lumuden|Gimvonon|"
     "Lolanar|Tavtanar|Nexbesix|Nexvesar|Orvtidix|Nexrabine|Veslusel|Zelrivar|Tultimar"},
    {34, "松岩工作室\\",
     "Tavlame|Tuldamen|Quinnusix|Losamex|Korbote|Nobbunix|Tavvoson|Censuvum|Dalbosar|Gollivow|"
     "Dornuba|Zelditon|Firdima|Lummumex|Senmunum|Rasmuren|Tirine|Calbaria|Marrasex|Listamon"},
    {35, "Yarrowen科技\\",
     "Calvodel|Bromevum|Sevsusia|Jandila|Golburine|Vellorel|Yorukar|Belato|Kensikis|Bellolum|"
     "Velbenow|Kensatar|Rokbuno|Velosix|Sevlase|Lumnekix|Dorbeko|Istbetex|Korbanel|Jorsute"},
    {36, "Galdrith Software\\",
     "Lumvenix|Tulnudel|Caltoline|Xanelel|Kenloben|Lisakis|Dorvunis|Quinrukia|Nobbamar|Dradevis|"
     "Loilia|Bellebon|Korukum|Cennenine|Wynive|Levsiven|Janrevine|Praronon|Janude|Briakis"},
    {38, "澄川数码\\",
     "Istnule|Dramotis|Quinnove|Vesmidow|Temvuve|Gimrusar|Fenlevia|Tultasum|Isttarar|Tavtuvon|"
     "Golotine|Tirmitum|Mosranon|Rokrurex|Xanvuden|Temnoria|Orvbanen|Raslinex|Senmaro|Gimane"},
};
// clang-format on

constexpr std::int32_t CountNames(std::string_view list) {
  std::int32_t count = list.empty() ? 0 : 1;
  for (const char c : list) count += c == '|' ? 1 : 0;
  return count;
}

// Name `number` (from 1) of a product list.
constexpr std::string_view NameAt(std::string_view list, std::int32_t number) {
  for (; number > 1; --number) list.remove_prefix(list.find('|') + 1);
  return list.substr(0, list.find('|'));
}

static_assert(std::size(kBrandRows) == 30);
static_assert(kBrandRows[0].brand_no == 0 &&
              std::string_view(kBrandRows[0].vendor_folder) == std::string_view("Vostrel软件\\"));
static_assert(CountNames(kBrandRows[0].product_list) == 24 &&
              NameAt(kBrandRows[0].product_list, 4) == std::string_view("Marnobe"));

}  // namespace

std::span<const BrandRow> BrandTable() noexcept { return kBrandRows; }

Brand FindBrand(std::int32_t brand_no) noexcept {
  for (const BrandRow& row : kBrandRows) {
    if (row.brand_no == brand_no) return {row.vendor_folder, row.product_list};
  }
  return {};
}

}  // namespace setup
