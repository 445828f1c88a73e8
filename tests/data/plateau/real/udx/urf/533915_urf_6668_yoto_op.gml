<?xml version="1.0" encoding="UTF-8"?>
<core:CityModel xmlns:brid="http://www.opengis.net/citygml/bridge/2.0" xmlns:tran="http://www.opengis.net/citygml/transportation/2.0" xmlns:urf="https://www.geospatial.jp/iur/urf/2.0" xmlns:frn="http://www.opengis.net/citygml/cityfurniture/2.0" xmlns:wtr="http://www.opengis.net/citygml/waterbody/2.0" xmlns:sch="http://www.ascc.net/xml/schematron" xmlns:veg="http://www.opengis.net/citygml/vegetation/2.0" xmlns:xlink="http://www.w3.org/1999/xlink" xmlns:tun="http://www.opengis.net/citygml/tunnel/2.0" xmlns:tex="http://www.opengis.net/citygml/texturedsurface/2.0" xmlns:gml="http://www.opengis.net/gml" xmlns:gen="http://www.opengis.net/citygml/generics/2.0" xmlns:dem="http://www.opengis.net/citygml/relief/2.0" xmlns:app="http://www.opengis.net/citygml/appearance/2.0" xmlns:luse="http://www.opengis.net/citygml/landuse/2.0" xmlns:xAL="urn:oasis:names:tc:ciq:xsdschema:xAL:2.0" xmlns:bldg="http://www.opengis.net/citygml/building/2.0" xmlns:smil20="http://www.w3.org/2001/SMIL20/" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xmlns:smil20lang="http://www.w3.org/2001/SMIL20/Language" xmlns:pbase="http://www.opengis.net/citygml/profiles/base/2.0" xmlns:core="http://www.opengis.net/citygml/2.0" xmlns:grp="http://www.opengis.net/citygml/cityobjectgroup/2.0" xsi:schemaLocation="https://www.geospatial.jp/iur/urf/2.0 ../../schemas/iur/urf/2.0/urbanFunction.xsd http://www.opengis.net/citygml/2.0 http://schemas.opengis.net/citygml/2.0/cityGMLBase.xsd http://www.opengis.net/citygml/landuse/2.0 http://schemas.opengis.net/citygml/landuse/2.0/landUse.xsd http://www.opengis.net/citygml/building/2.0 http://schemas.opengis.net/citygml/building/2.0/building.xsd http://www.opengis.net/citygml/transportation/2.0 http://schemas.opengis.net/citygml/transportation/2.0/transportation.xsd http://www.opengis.net/citygml/generics/2.0 http://schemas.opengis.net/citygml/generics/2.0/generics.xsd http://www.opengis.net/citygml/cityobjectgroup/2.0 http://schemas.opengis.net/citygml/cityobjectgroup/2.0/cityObjectGroup.xsd http://www.opengis.net/gml http://schemas.opengis.net/gml/3.1.1/base/gml.xsd">
	<gml:boundedBy>
		<gml:Envelope srsName="http://www.opengis.net/def/crs/EPSG/0/6697" srsDimension="3">
			<gml:lowerCorner>35.46979527798224 139.70807275007022 0</gml:lowerCorner>
			<gml:upperCorner>35.50278380591431 139.7582055559575 0</gml:upperCorner>
		</gml:Envelope>
	</gml:boundedBy>
	<core:cityObjectMember>
		<urf:UseDistrict gml:id="urf_1dd92d7f-5361-4515-a933-cec0ebcbc48b">
			<core:creationDate>2023-03-22</core:creationDate>
			<urf:function codeSpace="../../codelists/Common_districtsAndZonesType.xml">13</urf:function>
			<urf:validFrom>2009-11-11</urf:validFrom>
			<urf:validFromType codeSpace="../../codelists/Common_validType.xml">3</urf:validFromType>
			<urf:custodian>川崎市</urf:custodian>
			<urf:notificationNumber>川崎市告示第589号</urf:notificationNumber>
			<urf:areaClassificationType codeSpace="../../codelists/Common_areaClassificationType.xml">22</urf:areaClassificationType>
			<urf:prefecture codeSpace="../../codelists/Common_localPublicAuthorities.xml">14</urf:prefecture>
			<urf:city codeSpace="../../codelists/Common_localPublicAuthorities.xml">14130</urf:city>
			<urf:lod1MultiSurface>
				<gml:MultiSurface>
					<gml:surfaceMember>
						<gml:Polygon>
							<gml:exterior>
								<gml:LinearRing>
									<gml:posList>35.490760138460395 139.71208491664984 0 35.49121608377012 139.71312302736013 0 35.49122616706437 139.71314588894654 0 35.49142747259798 139.7136042499303 0 35.49143280552097 139.7136163052818 0 35.491634611539716 139.714075777763 0 35.49188188879615 139.71391527815246 0 35.492130638624964 139.71449283299665 0 35.49296161149972 139.71639316611882 0 35.49292691675266 139.71641747231962 0 35.493630638830965 139.71803108384094 0 35.493684444699554 139.71800230563016 0 35.49366916631909 139.7179639995026 0 35.494543916744355 139.7173857776163 0 35.49631719470059 139.71622347270906 0 35.49767247264291 139.71533852791188 0 35.49928144457833 139.71427938884221 0 35.49935377754275 139.7139922221328 0 35.498867055679305 139.71287555503096 0 35.498489666768165 139.71202583371505 0 35.49810991644441 139.7111582496413 0 35.49765805568129 139.71012508374508 0 35.49752380576809 139.70981552773577 0 35.49727302794205 139.7092518061019 0 35.49679449996931 139.70816119446266 0 35.49658238927691 139.70807275007022 0 35.496154833415645 139.70835191669775 0 35.49605997211946 139.7084138328236 0 35.49539016627082 139.70885105541262 0 35.494828805580006 139.7092176668327 0 35.49388216641841 139.70984788849705 0 35.493105889018864 139.7103620273958 0 35.49309747193486 139.71034274962548 0 35.49290272177495 139.71046649953487 0 35.492093610854845 139.7109948886068 0 35.49093080529912 139.71175466679094 0 35.490760138460395 139.71208491664984 0</gml:posList>
								</gml:LinearRing>
							</gml:exterior>
						</gml:Polygon>
					</gml:surfaceMember>
				</gml:MultiSurface>
			</urf:lod1MultiSurface>
			<urf:floorAreaRate>2</urf:floorAreaRate>
			<urf:buildingCoverageRate>0.6</urf:buildingCoverageRate>
		</urf:UseDistrict>
	</core:cityObjectMember>
	<core:cityObjectMember>
		<urf:UseDistrict gml:id="urf_68f7d98f-f800-4c92-bcf1-9ae8a7fa9b85">
			<core:creationDate>2023-03-22</core:creationDate>
			<urf:function codeSpace="../../codelists/Common_districtsAndZonesType.xml">11</urf:function>
			<urf:validFrom>2009-11-11</urf:validFrom>
			<urf:validFromType codeSpace="../../codelists/Common_validType.xml">3</urf:validFromType>
			<urf:custodian>川崎市</urf:custodian>
			<urf:notificationNumber>川崎市告示第589号</urf:notificationNumber>
			<urf:areaClassificationType codeSpace="../../codelists/Common_areaClassificationType.xml">22</urf:areaClassificationType>
			<urf:prefecture codeSpace="../../codelists/Common_localPublicAuthorities.xml">14</urf:prefecture>
			<urf:city codeSpace="../../codelists/Common_localPublicAuthorities.xml">14130</urf:city>
			<urf:lod1MultiSurface>
				<gml:MultiSurface>
					<gml:surfaceMember>
						<gml:Polygon>
							<gml:exterior>
								<gml:LinearRing>
									<gml:posList>35.48825024958995 139.7403867226441 0 35.488164388588984 139.74044302777202 0 35.48838330593437 139.7409262779707 0 35.48837391624543 139.74093477732248 0 35.48847416704439 139.74116194402316 0 35.48672977785236 139.74340447238373 0 35.486190361129765 139.74409708290307 0 35.48501305531538 139.7456083338676 0 35.48619338883676 139.7482682500325 0 35.48783024988376 139.75195747210347 0 35.48972911096795 139.75623761097793 0 35.48973786083957 139.75625733328124 0 35.49243322196931 139.7544525277427 0 35.491101027990496 139.75144102761354 0 35.48947269473071 139.7477940560387 0 35.48940138879206 139.74763430533363 0 35.48932983345998 139.7474739996962 0 35.48911994406085 139.74699372192802 0 35.48868072202367 139.74598875026513 0 35.48772827763343 139.7438913328251 0 35.487693944135685 139.74381588884683 0 35.48768877762066 139.74380294466263 0 35.487655194626015 139.7437234441247 0 35.48764894423017 139.74369905564222 0 35.48764441635068 139.74367216674494 0 35.48764202750912 139.74364166713417 0 35.48764211068687 139.74361774994267 0 35.48764361143427 139.74359702732227 0 35.48764819437717 139.74356702803826 0 35.48765563927887 139.74353705532437 0 35.48766233313384 139.74351774975761 0 35.48767191621784 139.74349513902047 0 35.487687750249926 139.74346491668922 0 35.48889141663393 139.7419315833931 0 35.488917527833564 139.74190347247523 0 35.48825024958995 139.7403867226441 0</gml:posList>
								</gml:LinearRing>
							</gml:exterior>
						</gml:Polygon>
					</gml:surfaceMember>
				</gml:MultiSurface>
			</urf:lod1MultiSurface>
			<urf:floorAreaRate>2</urf:floorAreaRate>
			<urf:buildingCoverageRate>0.6</urf:buildingCoverageRate>
		</urf:UseDistrict>
	</core:cityObjectMember>
</core:CityModel>
